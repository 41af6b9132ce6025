#pragma once
// How the libraries below the programs report a failure, the one form used throughout: a
// function returns false (or null) and, when its caller passed a place for it, puts one line
// into *error (or *reason for the system's bare reason, which the caller words as "cannot read
// PATH: REASON"). Jobs that can also be stopped return a result with an outcome and a message;
// the programs choose exit statuses and message boxes by outcome, never by the text.

#include <string>

namespace tavrine::util {

// Returns the string a function fills with the reason it fails: *error when the caller gave
// one, else a scratch string of the calling thread.
inline std::string& errorSlot(std::string* error) {
    thread_local std::string scratch;
    return error != nullptr ? *error : scratch;
}

// Puts message into *error when error is not null and returns false, for "return fail(...)".
inline bool fail(std::string* error, std::string message) {
    if (error != nullptr) *error = std::move(message);
    return false;
}

}  // namespace tavrine::util
