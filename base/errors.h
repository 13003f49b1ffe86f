#pragma once

#include <QString>
#include <stdexcept>

#include "base/log.h"

namespace lanxi {

// The failures a statement can raise. Handlers that guard their steps catch these and go on;
// unguarded handlers let them reach the caller (Form::On tells the user). The codes follow the
// classic runtime's numbers so that a failure can be told apart in tests.
enum class ErrorCode {
    InvalidProcedureCall = 5,
    UserInterrupt = 18,
    Overflow = 6,
    OutOfMemory = 7,
    DivisionByZero = 11,
    TypeMismatch = 13,
    FileNotFound = 53,
    PermissionDenied = 70,
    PathNotFound = 76,
    InvalidPropertyValue = 380,
    InvalidPicture = 481,
    DeviceIO = 57,
};

class Error : public std::runtime_error {
  public:
    Error(ErrorCode code, const QString& message)
        : std::runtime_error(message.toStdString()), code_(code), message_(message) {}
    ErrorCode code() const { return code_; }
    // A short reason in the interface's language, fit for a message box.
    const QString& message() const { return message_; }

  private:
    ErrorCode code_;
    QString message_;
};

// Runs the steps of a handler whose every statement is guarded: a step that fails with one of
// our own errors is skipped and the next one runs; a test that fails counts as passed. The
// failure goes to the program's log only. Anything else (no memory, a fault in our code) is no
// step's failure to pass over: it leaves the handler (see Form::On).
class ResumeNext {
  public:
    template <class F>
    void operator()(F&& step) {
        try {
            step();
        } catch (const Error& e) {
            skipped(e);
        }
    }
    template <class F>
    bool test(F&& condition) {
        try {
            return condition();
        } catch (const Error& e) {
            skipped(e);
            return true;
        }
    }
    bool failed() const { return failed_; }

  private:
    void skipped(const Error& e) {
        failed_ = true;
        qCDebug(lcProgram) << "guarded step skipped:" << e.message();
    }

    bool failed_ = false;
};

}  // namespace lanxi
