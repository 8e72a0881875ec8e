#include "platform/files/resolve_path.h"
#include "platform/files/open_for_reading.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>

namespace {

// There, even where it cannot be followed: a loop of symbolic links is a file that is there and
// cannot be read, not a missing one.
bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 || errno == ELOOP;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The entries of `folder` equal to `name` ignoring case, in alphabetical order, so that the
// choice does not depend on the order the file system lists them in.
std::vector<std::string> MatchesIgnoringCase(const std::string& folder, const std::string& name) {
    std::vector<std::string> matches;
    DIR* directory = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!directory) return matches;
    while (const dirent* entry = ::readdir(directory))
        if (strcasecmp(entry->d_name, name.c_str()) == 0) matches.push_back(entry->d_name);
    ::closedir(directory);
    std::sort(matches.begin(), matches.end());
    return matches;
}

// Resolves components[index...] below `folder`. Where two folders differ only in case ("Data"
// and "data"), both are searched, the exact spelling first, as if they were one.
bool Resolve(const std::vector<std::string>& components, size_t index, const std::string& folder,
             std::string& resolved) {
    if (index == components.size()) {
        resolved = folder;
        return Exists(folder);
    }
    const std::string& component = components[index];
    const std::string exact = Join(folder, component);
    if (Exists(exact) && Resolve(components, index + 1, exact, resolved)) return true;
    if (component == "..") return false;
    for (const std::string& match : MatchesIgnoringCase(folder, component))
        if (match != component && Resolve(components, index + 1, Join(folder, match), resolved))
            return true;
    return false;
}

} // namespace

std::string ResolvePath(const std::string& path) {
    if (path.empty() || Exists(path)) return path;
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos) end = path.size();
        std::string component = path.substr(start, end - start);
        if (!component.empty() && component != ".") components.push_back(std::move(component));
        start = end + 1;
    }
    std::string resolved;
    if (components.empty() || !Resolve(components, 0, path[0] == '/' ? "/" : "", resolved))
        return path;
    return resolved;
}
int ReadWholeFile(const std::string& path, std::vector<uint8_t>& contents, uint64_t largest) {
    contents.clear();
    const int descriptor = OpenForReading(ResolvePath(path));
    if (descriptor < 0) return errno;
    struct stat info {};
    int error = 0;
    if (::fstat(descriptor, &info) != 0) error = errno;
    // Refused by its size before a byte is read or held.
    if (!error && uint64_t(info.st_size) > largest) error = EFBIG;
    try {
        if (!error) contents.resize(size_t(info.st_size));
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    for (size_t done = 0; !error && done < contents.size();) {
        const ssize_t read = ::read(descriptor, contents.data() + done, contents.size() - done);
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0)
            error = read < 0 ? errno : EIO; // shorter than it was a moment ago
        else
            done += size_t(read);
    }
    ::close(descriptor);
    if (error) contents.clear();
    return error;
}
