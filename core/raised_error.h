#pragma once
// An error raised to the caller of an operation: a number, the source ("CSocketMaster.Connect",
// "CMemoryDC.hBitmap", ...) and a description, as the operator and the owner code see them.
#include <QString>
#include <stdexcept>

namespace ov {

class RaisedError : public std::runtime_error {
public:
    RaisedError(long number, QString source, QString description)
        : std::runtime_error(description.toStdString()), Number(number), Source(std::move(source)),
          Description(std::move(description)) {}

    long Number;
    QString Source;
    QString Description;
};

} // namespace ov
