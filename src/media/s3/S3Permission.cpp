#include "media/s3/S3Permission.h"

namespace pelnix {

#define PELNIX_S3_PERMISSION(name, text)                                                                     \
    std::shared_ptr<const S3Permission> S3Permission::name() {                                               \
        static const auto instance = std::make_shared<const S3Permission>(QStringLiteral(text));             \
        return instance;                                                                                     \
    }

PELNIX_S3_PERMISSION(readPermission, "READ")
PELNIX_S3_PERMISSION(writePermission, "WRITE")
PELNIX_S3_PERMISSION(fullControlPermission, "FULL_CONTROL")
PELNIX_S3_PERMISSION(readAcpPermission, "READ_ACP")
PELNIX_S3_PERMISSION(writeAcpPermission, "WRITE_ACP")

#undef PELNIX_S3_PERMISSION

std::shared_ptr<const S3Permission> S3Permission::permissionWithString(const QString& text) {
    for (const auto& permission : {readPermission(), writePermission(), fullControlPermission(),
                                   readAcpPermission(), writeAcpPermission()}) {
        if (permission->xmlValue() == text)
            return permission;
    }
    return nullptr;
}

} // namespace pelnix
