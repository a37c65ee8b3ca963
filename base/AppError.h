#pragma once
// The program's errors: its own error numbers, the error that carries a
// failure to a command's error trap, and the one trap every command uses.
// Number, source and description travel unchanged from the procedure that
// raised the error; the engine's failures keep their Jet numbers.
#include "base/MessageBoxes.h"
#include "jet/Error.h"

#include <QString>

#include <exception>
#include <new>
#include <string>

// Numbers of the program's own failures (the engine's are jet::ErrorNumber).
inline constexpr int kErrOverflow = 6;             // a 16-bit row counter would pass 32767
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrSubscriptOutOfRange = 9;  // a record with more fields than a row holds
inline constexpr int kErrUnexpected = 51;          // any other failure, with its own description
inline constexpr int kErrPathFileAccess = 75;      // a file that is there could not be opened
inline constexpr int kErrObjectNotSet = 91;        // the user name database is not open

class AppError : public std::exception {
public:
    AppError(int number, QString source, QString description)
        : number_(number), source_(std::move(source)), description_(std::move(description)),
          what_(description_.toStdString()) {}

    // One of the program's own failures, `number` from the list above.
    static AppError ours(int number, QString description) {
        return AppError(number, QStringLiteral("Ravelin"), std::move(description));
    }

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
        throw AppError::ours(kErrOutOfMemory, QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        throw AppError::ours(kErrUnexpected, QString::fromUtf8(e.what()));
    }
}

// A command's error trap: runs `body`, and hands any failure it raises, as an
// AppError, to `onError`. Returns whether the body ran to its end.
template <typename Body, typename OnError>
bool trapErrors(Body&& body, OnError&& onError) {
    try {
        raiseAsAppError(body);
        return true;
    } catch (const AppError& e) {
        onError(e);
        return false;
    }
}

// The trap of most commands: the error's description in a message box over
// `owner`, with the critical icon; the command ends with the window usable.
template <typename Body>
bool runCommand(QWidget* owner, Body&& body) {
    return trapErrors(body, [owner](const AppError& e) { msgBox(owner, e.description(), MsgIcon::Critical); });
}
