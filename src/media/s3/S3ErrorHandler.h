#pragma once

#include "media/s3/S3ClientException.h"

namespace pelnix {

inline constexpr const char* S3ServiceErrorDomain = "inc.karvest.Pelnix.S3ServiceErrorDomain";
inline constexpr const char* S3ClientErrorDomain = "inc.karvest.Pelnix.S3ClientErrorDomain";

// The process-wide choice between raising S3 exceptions and turning them into error values.
class S3ErrorHandler {
public:
    static void shouldThrowExceptions();
    static void shouldNotThrowExceptions();
    static bool throwsExceptions();

    // Exceptions on: logs and raises `exception`. Off: the error made from it. Empty in, empty out.
    static PLOptionalError errorFromExceptionWithThrowsExceptionOption(const S3ExceptionPtr& exception);
    static PLOptionalError errorFromException(const S3ExceptionPtr& exception);
    static PLOptionalError errorFromException(const S3ExceptionPtr& exception,
                                              const QString& serviceErrorDomain,
                                              const QString& clientErrorDomain);
};

} // namespace pelnix
