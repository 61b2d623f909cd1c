#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vireo {

// A failure a person has to read: what it concerns and why, for example subject "pic3.bmp" and
// reason "bit count 8, expected 24". Bad input (a refused file, an unwritable folder, a bad
// argument) is reported this way; exceptions are kept for what can only be a bug.
struct Error {
    std::string subject; // the file or value concerned; empty when the reason names it
    std::string reason;  // lower case, no closing full stop

    // "pic3.bmp: bit count 8, expected 24", or the reason alone when there is no subject.
    std::string message() const { return subject.empty() ? reason : subject + ": " + reason; }

    friend bool operator==(const Error&, const Error&) = default;
};

// A value of type T, or the Error that kept it from being made.
template <typename T> class [[nodiscard]] Expected {
public:
    Expected(T value)
        : content_(std::move(value)) {}
    Expected(Error error)
        : content_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(content_); }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    T& value() { return std::get<T>(content_); }
    const T& value() const { return std::get<T>(content_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // The error; only when !ok().
    const Error& error() const { return std::get<Error>(content_); }

private:
    std::variant<T, Error> content_;
};

// Success, or the Error of an operation that yields nothing else.
template <> class [[nodiscard]] Expected<void> {
public:
    Expected() = default;
    Expected(Error error)
        : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }
    // The error; only when !ok().
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

} // namespace vireo
