#pragma once
// An error on its way to a command's error trap: number, source and
// description travel unchanged from the procedure that raised it.
#include "jet/Error.h"

#include <QString>

#include <exception>
#include <new>
#include <string>

// Numbers for failures that do not come with one of their own.
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrUnexpected = 51;

class AppError : public std::exception {
public:
    AppError(int number, QString source, QString description)
        : number_(number), source_(std::move(source)), description_(std::move(description)),
          what_(description_.toStdString()) {}

    int number() const { return number_; }
    const QString& source() const { return source_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString source_;
    QString description_;
    std::string what_;
};

// Runs `body`; any failure it raises comes back as an AppError, so that a
// trap deals with one kind (engine errors keep their Jet numbers).
template <typename Body>
void raiseAsAppError(Body&& body) {
    try {
        body();
    } catch (const AppError&) {
        throw;
    } catch (const jet::Error& e) {
        throw AppError(e.number(), QStringLiteral("Jet"), QString::fromStdString(e.description()));
    } catch (const std::bad_alloc&) {
        throw AppError(kErrOutOfMemory, QStringLiteral("Ravelin"), QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        throw AppError(kErrUnexpected, QStringLiteral("Ravelin"), QString::fromUtf8(e.what()));
    }
}
