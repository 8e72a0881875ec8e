// An output written under a temporary name beside its target and renamed into place only when
// it is whole: nobody ever sees half a file under the target's name, and a write that fails or
// is abandoned leaves nothing behind. The temporary's name tells whose it is and for what:
// ".NAME.PID.partial", or ".capture-HASH.PID.partial" (HASH from NAME) where NAME is too long to
// take the rest, so that one left by a run that was killed is known by the next run writing the
// same output, which removes it once that process is gone.
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
    // rename stays on one file system), first removing those that runs now gone left for it.
    // False, with the reason in `error`, when it cannot.
    bool Create(const std::string& target, std::string& error);

    // The temporary's name for `name` (a file name, no folder) while process `pid` writes it.
    static std::string TemporaryName(const std::string& name, long pid);
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
