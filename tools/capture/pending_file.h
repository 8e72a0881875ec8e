// An output written under a temporary name beside its target and renamed into place only when
// it is whole: nobody ever sees half a file under the target's name, and a write that fails or
// is abandoned leaves nothing behind.
#pragma once

#include <string>

class PendingFile {
public:
    PendingFile() = default;
    // Removes the temporary unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Makes an empty temporary beside `target` (a hidden name in the same folder, so that the
    // rename stays on one file system). False, with the reason in `error`, when it cannot.
    bool Create(const std::string& target, std::string& error);
    // Where to write while the file is pending.
    const std::string& Path() const { return temporary; }
    const std::string& Target() const { return target; }
    bool Pending() const { return !temporary.empty(); }

    // Renames the temporary to the target, replacing what was there; false with the reason.
    bool Commit(std::string& error);
    // Removes the temporary.
    void Discard();

private:
    std::string target;
    std::string temporary;
};
