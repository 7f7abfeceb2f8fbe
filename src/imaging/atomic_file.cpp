#include "imaging/atomic_file.h"

#include "imaging/status.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mw {

AtomicFileWriter::AtomicFileWriter(const std::string& path) : m_path(path)
{
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    m_temporary = dir + "." + base + ".XXXXXX";
    m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
    if (m_fd < 0)
        throwCannotCreate(path, errno);
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed)
        ::unlink(m_temporary.c_str());
}

bool AtomicFileWriter::write(const uint8_t* data, size_t size) noexcept
{
    if (m_error != 0 || m_fd < 0)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

void AtomicFileWriter::throwIfFailed() const
{
    if (m_error != 0)
        throwCannotCreate(m_path, m_error);
}

void AtomicFileWriter::commit()
{
    if (m_committed)
        return;
    throwIfFailed();
    // Keep the permissions an existing file had; a new file gets the usual 0666 & ~umask.
    struct stat old {};
    if (::stat(m_path.c_str(), &old) == 0) {
        ::fchmod(m_fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        throwCannotCreate(m_path, errno);
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        throwCannotCreate(m_path, errno);
    m_committed = true;
}

} // namespace mw
