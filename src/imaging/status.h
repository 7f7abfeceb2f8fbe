#pragma once
// Error convention for the whole core:
//  * a file that cannot be opened or created throws mw::FileError, whose what() is the
//    user-visible message ("Cannot open file \"path\". reason");
//  * any other user-visible failure of a core command throws mw::Error with its message;
//  * an expected, recoverable failure of a decoder or encoder is returned as a Status
//    carrying the reason, so a batch or a preview can go on with the next file.
#include <stdexcept>
#include <string>
#include <utility>

namespace mw {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FileError : public Error {
public:
    using Error::Error;
};

// "Cannot open file " / "Cannot create file " + quoted path + ". " + the system's reason.
[[noreturn]] void throwCannotOpen(const std::string& path, int err);
[[noreturn]] void throwCannotCreate(const std::string& path, int err);

class [[nodiscard]] Status {
public:
    static Status ok() { return Status(); }
    static Status fail(std::string reason) { return Status(std::move(reason)); }

    bool isOk() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const std::string& reason() const { return m_reason; }

private:
    Status() = default;
    explicit Status(std::string reason) : m_ok(false), m_reason(std::move(reason)) {}
    bool m_ok = true;
    std::string m_reason;
};

} // namespace mw
