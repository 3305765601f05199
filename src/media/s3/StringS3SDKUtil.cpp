#include "media/s3/StringS3SDKUtil.h"

#include "media/s3/S3SDKUtil.h"

namespace pelnix::StringS3SDKUtil {

QString stringWithURLEncoding(const QString& text) {
    return S3SDKUtil::urlEncode(text);
}

QString stringByNormalizingPathComponent(const QString& text) {
    QString out = text;
    return out.replace(QLatin1Char('+'), QStringLiteral("%2B"));
}

} // namespace pelnix::StringS3SDKUtil
