#pragma once

#include "foundation/persistence/PLPersistence.h"

namespace pelnix {

// Saves of a context. Every context writes straight to the store, so "parents" means "the store";
// a save always runs on the calling thread (the context's own) and never waits for another thread.
// Completions run asynchronously on the main thread, once per call.
namespace PSSaves {

enum PSSaveOptions : unsigned {
    PSSaveOptionNone = 0,
    PSSaveOptionParents = 2,
    PSSaveOptionAndWait = 4,
    PSSaveOptionAndWaitExceptRoot = 8,
};

using Completion = PLPersistence::Completion;

// A context without changes reports (NO, none); a failure (NO, error); an exception (NO, none).
void PS_saveWithOptions(const ContextPtr& context, unsigned options, Completion completion = {});
void PS_saveOnlySelfWithCompletion(const ContextPtr& context, Completion completion);
void PS_saveOnlySelfAndWait(const ContextPtr& context);
void PS_saveToPersistentStoreWithCompletion(const ContextPtr& context, Completion completion);
void PS_saveToPersistentStoreAndWait(const ContextPtr& context);

// Older entry points.
void PS_save(const ContextPtr& context);
void PS_saveWithErrorCallback(const ContextPtr& context,
                              std::function<void(const PLOptionalError&)> callback);
void PS_saveInBackgroundCompletion(const ContextPtr& context, std::function<void()> completion);
// Failure only: the handler gets the error.
void PS_saveInBackgroundErrorHandler(const ContextPtr& context,
                                     std::function<void(const PLOptionalError&)> errorHandler);
// Success with a completion runs it; every other case runs the handler (with none after a success).
void PS_saveInBackgroundErrorHandler(const ContextPtr& context,
                                     std::function<void(const PLOptionalError&)> errorHandler,
                                     std::function<void()> completion);
void PS_saveNestedContexts(const ContextPtr& context);
void PS_saveNestedContextsErrorHandler(const ContextPtr& context,
                                       std::function<void(const PLOptionalError&)> errorHandler);
void PS_saveNestedContextsErrorHandler(const ContextPtr& context,
                                       std::function<void(const PLOptionalError&)> errorHandler,
                                       std::function<void()> completion);

} // namespace PSSaves
} // namespace pelnix
