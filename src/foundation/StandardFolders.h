#pragma once

#include <QString>

// The standard folders of the library, all below the sandbox root (platform::Sandbox), and the
// best-variant lookup of resource files. Each folder is computed once per sandbox root and created
// then where the table says:
//   public     Documents                                  created (the folder room media go to)
//   private    Library/Application Support                created
//   cache      Library/Caches                             created
//   offline    Library/Application Support/Offline Data   created
//   temporary  tmp, or Caches/Temporary Files when tmp cannot be made
//   resource   the library's own resources (":/pelnix"), read-only
// A folder deleted later is not made again until the root changes. Folder creation errors are
// ignored: the path comes back all the same and the write into it reports the failure.
namespace pelnix::StandardFolders {

inline constexpr char kOfflineDataFolderName[] = "Offline Data";
inline constexpr char kTemporaryFilesFolderName[] = "Temporary Files";
// Kept in the public folder, each with the device scale suffix added.
inline constexpr char kCoBrandingImageFileName[] = "CoBrandingImage.png";
inline constexpr char kCoBrandingLogoImageFileName[] = "CoBrandingLogoImage.png";

QString publicDataPath();
QString privateDataPath();
QString cacheDataPath();
QString offlineDataPath();
QString temporaryDataPath();
QString resourcePath();

QString pathForPublicFile(const QString& name);
QString pathForPrivateFile(const QString& name);
QString pathForCacheFile(const QString& name);
QString pathForOfflineFile(const QString& name);
QString pathForTemporaryFile(const QString& name);
QString pathForResource(const QString& name);

// The path of the best existing variant of `name` for the current device, or "" (see
// VariantResolver). A name without extension gets `type`.
QString normalizedPathForFile(const QString& name, const QString& type = QStringLiteral("png"));

} // namespace pelnix::StandardFolders
