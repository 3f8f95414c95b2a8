#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

// Why a tool cannot do its work. Thrown where the fault is found, with a message that names
// the file or program concerned; runReportingFailure() prints it.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString &message)
        : std::runtime_error(message.toStdString())
    {}
};

// Runs a tool's work and returns its exit code; a Failure is printed on stderr as
// "<program>: <message>" and gives exit code 1.
int runReportingFailure(const char *program, const std::function<int()> &work);
