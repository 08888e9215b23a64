#pragma once
// The one exception type of the program: an operation that cannot go on raises
// it with a message in the program's own words, and the caller decides whether
// to show it.

#include <QString>
#include <exception>

class EProgramError : public std::exception
{
public:
    explicit EProgramError(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};
