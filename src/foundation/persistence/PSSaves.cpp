#include "foundation/persistence/PSSaves.h"

#include "platform/MainThread.h"

#include <exception>

namespace pelnix::PSSaves {

namespace {
void complete(const Completion& completion, bool success, const PLOptionalError& error) {
    if (completion)
        platform::runOnMain([completion, success, error] { completion(success, error); });
}

using ErrorCallback = std::function<void(const PLOptionalError&)>;

// Success with a completion runs the completion; every other case runs the handler.
Completion handlerRule(ErrorCallback errorHandler, std::function<void()> completion) {
    return [errorHandler = std::move(errorHandler),
            completion = std::move(completion)](bool ok, const PLOptionalError& e) {
        if (ok && completion)
            completion();
        else if (errorHandler)
            errorHandler(e);
    };
}
} // namespace

void PS_saveWithOptions(const ContextPtr& context, unsigned options, Completion completion) {
    Q_UNUSED(options) // every save reaches the store before it returns; see the namespace comment
    if (!context || !context->hasChanges()) {
        complete(completion, false, std::nullopt);
        return;
    }
    bool success = false;
    PLOptionalError error;
    try {
        success = context->save(&error); // failures already went to the error sink
    } catch (const std::exception&) {
        success = false;
        error.reset();
    }
    complete(completion, success, error);
}

void PS_saveOnlySelfWithCompletion(const ContextPtr& context, Completion completion) {
    PS_saveWithOptions(context, PSSaveOptionNone, std::move(completion));
}
void PS_saveOnlySelfAndWait(const ContextPtr& context) {
    PS_saveWithOptions(context, PSSaveOptionAndWait);
}
void PS_saveToPersistentStoreWithCompletion(const ContextPtr& context, Completion completion) {
    PS_saveWithOptions(context, PSSaveOptionParents, std::move(completion));
}
void PS_saveToPersistentStoreAndWait(const ContextPtr& context) {
    PS_saveWithOptions(context, PSSaveOptionParents | PSSaveOptionAndWait);
}

void PS_save(const ContextPtr& context) {
    PS_saveToPersistentStoreAndWait(context);
}

void PS_saveWithErrorCallback(const ContextPtr& context, ErrorCallback callback) {
    PS_saveWithOptions(context, PSSaveOptionParents | PSSaveOptionAndWait,
                       [callback = std::move(callback)](bool ok, const PLOptionalError& e) {
                           if (!ok && callback)
                               callback(e);
                       });
}

void PS_saveInBackgroundCompletion(const ContextPtr& context, std::function<void()> completion) {
    PS_saveOnlySelfWithCompletion(context,
                                  [completion = std::move(completion)](bool ok, const PLOptionalError&) {
                                      if (ok && completion)
                                          completion();
                                  });
}

void PS_saveInBackgroundErrorHandler(const ContextPtr& context, ErrorCallback errorHandler) {
    PS_saveOnlySelfWithCompletion(
        context, [errorHandler = std::move(errorHandler)](bool ok, const PLOptionalError& e) {
            if (!ok && errorHandler)
                errorHandler(e);
        });
}

void PS_saveInBackgroundErrorHandler(const ContextPtr& context, ErrorCallback errorHandler,
                                     std::function<void()> completion) {
    PS_saveOnlySelfWithCompletion(context, handlerRule(std::move(errorHandler), std::move(completion)));
}

void PS_saveNestedContexts(const ContextPtr& context) {
    PS_saveToPersistentStoreWithCompletion(context, {});
}

void PS_saveNestedContextsErrorHandler(const ContextPtr& context, ErrorCallback errorHandler) {
    PS_saveToPersistentStoreWithCompletion(
        context, [errorHandler = std::move(errorHandler)](bool ok, const PLOptionalError& e) {
            if (!ok && errorHandler)
                errorHandler(e);
        });
}

void PS_saveNestedContextsErrorHandler(const ContextPtr& context, ErrorCallback errorHandler,
                                       std::function<void()> completion) {
    PS_saveToPersistentStoreWithCompletion(context,
                                           handlerRule(std::move(errorHandler), std::move(completion)));
}

} // namespace pelnix::PSSaves
