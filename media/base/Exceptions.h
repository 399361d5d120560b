#pragma once

#include <QString>
#include <stdexcept>

namespace tavlo {

// The error kinds that the media components raise. The message is the text
// a user would be shown; it is kept as UTF-8 so accents survive.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }
    QString message() const { return QString::fromUtf8(what()); }
};

// A stream or buffer ended before the bytes a reader needed.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

// A picture's data is malformed, or an operation the picture cannot do.
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

// A picture that cannot be decoded at all (damaged JPEG or bitmap data).
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// An embedded resource that does not exist.
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// The system refused a timer or a similar limited resource.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

} // namespace tavlo
