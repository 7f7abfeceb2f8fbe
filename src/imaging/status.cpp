#include "imaging/status.h"

#include <cstring>

namespace mw {

namespace {
std::string fileMessage(const char* verb, const std::string& path, int err)
{
    return std::string(verb) + " \"" + path + "\". " + std::strerror(err);
}
} // namespace

void throwCannotOpen(const std::string& path, int err)
{
    throw FileError(fileMessage("Cannot open file", path, err));
}

void throwCannotCreate(const std::string& path, int err)
{
    throw FileError(fileMessage("Cannot create file", path, err));
}

} // namespace mw
