#pragma once

#include <QString>

// The outcome of an operation that can fail for a reason the user must read:
// success, or a failure with a message fit for a message box. Every such
// operation of the program answers with one of these.
struct Result {
    bool ok = true;
    QString message;  // why it failed; empty on success

    static Result success() { return {}; }
    static Result failure(const QString& why) { return {false, why}; }
    explicit operator bool() const { return ok; }
};
