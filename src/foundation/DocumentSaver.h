#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

// Media files kept in folders directly below Documents: one folder per room, named by the room ID,
// and "PendingRichMediaUploads" for files waiting for upload.
//
// Room IDs, file IDs and file names come from the server: every folder or file name must be one
// safe path component (platform::Sandbox::isSafePathComponent) or the call is refused (nil / NO)
// and nothing on disk is touched.
namespace pelnix::DocumentSaver {

inline constexpr char kPendingRichMediaUploadsFolder[] = "PendingRichMediaUploads";

// Makes Documents/name (no intermediate folders); its path, or "" when it could not be made.
QString createDirectoryWithName(const QString& name);
// Documents/name when it exists and is a folder, else "".
QString directoryPathWithName(const QString& name);
bool fileExistsWithName(const QString& fileName, const QString& directoryPath);
// Writes atomically and durably to directoryPath/fileName, replacing an existing file.
bool writeDataWithFileNameToDirectoryPath(const QByteArray& data, const QString& fileName,
                                          const QString& directoryPath);
// Writes into Documents/directoryName (made when missing) but never over an existing file: NO then,
// and the file keeps its content.
bool writeDataToDirectorySelectedFile(const QByteArray& data, const QString& directoryName,
                                      const QString& fileName);
// Removes Documents/name with all its content; YES when there was no such folder.
bool removeChatDirectoryWithName(const QString& name);
// Documents/folderName, then "/" and fileName when fileName is not empty; "" for unsafe names.
QString filePathTillFolderName(const QString& folderName, const QString& fileName);
// "fileId.ext" with the extension after the last "." of "fileName" (the whole name when it has no
// "."); the file ID alone when there is no file name; "" without a file ID.
QString generateFileNameFromInfo(const QVariantMap& info);
// One {"ChatRoomID", "DirectoryFileID", "CompletePath"} map for every entry below Documents (any
// depth) whose name holds a ".", sorted by path.
QVariantList fileIDArrayFromDocumentDirSearch();

} // namespace pelnix::DocumentSaver
