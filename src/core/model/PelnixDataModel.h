#pragma once

namespace pelnix::platform {
class ObjectModel;
}

namespace pelnix {

// The library's object model "Pelnix": every entity, attribute and relationship of the store, in
// one place. Bump kSchemaVersion (and add an upgrade step to PLModelManager) with every change
// that needs data moved.
namespace PelnixDataModel {

inline constexpr int kSchemaVersion = 8;

void declare(platform::ObjectModel& model);
// Registers the declaration with the persistence stack; safe to call again.
void registerDeclaration();

} // namespace PelnixDataModel
} // namespace pelnix
