#pragma once

#include <QString>

namespace pelnix::StringS3SDKUtil {

// Object keys in paths and signatures: only A-Z a-z 0-9 - . _ ~ stay bare ("/" -> %2F, "+" -> %2B).
QString stringWithURLEncoding(const QString& text);
// Every "+" becomes "%2B".
QString stringByNormalizingPathComponent(const QString& text);

} // namespace pelnix::StringS3SDKUtil
