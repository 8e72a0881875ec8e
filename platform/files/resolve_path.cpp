#include "platform/files/resolve_path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace {

bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
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
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& contents) {
    contents.clear();
    const std::string resolved = ResolvePath(path);
    struct stat info;
    if (::stat(resolved.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::FILE* file = std::fopen(resolved.c_str(), "rb");
    if (!file) return false;
    contents.resize(size_t(info.st_size));
    const size_t read =
        contents.empty() ? 0 : std::fread(contents.data(), 1, contents.size(), file);
    std::fclose(file);
    if (read != contents.size()) {
        contents.clear();
        return false;
    }
    return true;
}
