#include "platform/d3d8/call_record.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <utility>

#if !SHOW_TEST_CONTROLS
#error "call recording belongs to the tests' build of the platform only"
#endif

namespace {

struct Locked {
    D3DCall call;
    const BYTE* base;
    std::vector<BYTE> before;
};

struct Recording {
    std::function<void(D3DCall&&)> recorder;
    std::map<const void*, Locked> locked;
    // The buffers and levels whose bytes at the start of the record were handed on.
    std::set<const void*> started;
};

Recording& State() {
    static Recording recording;
    return recording;
}

} // namespace

void RecordCalls(std::function<void(D3DCall&&)> recorder) {
    Recording& state = State();
    state.recorder = std::move(recorder);
    state.locked.clear();
    state.started.clear();
}

bool CallsRecorded() {
    return bool(State().recorder);
}

void RecordCall(D3DCall&& call) {
    State().recorder(std::move(call));
}

void RecordLocked(const void* key, D3DCall&& call, const BYTE* base, size_t size,
                  const BYTE* handedOut) {
    Recording& state = State();
    call.args[3] = DWORD(handedOut - base);
    std::vector<BYTE> before(base, base + size);
    if (state.started.insert(key).second) {
        // What the writes of the record start from, so that they can be made again from there.
        D3DCall start;
        start.kind = D3DCall::StartingBytes;
        start.object = call.object;
        start.args[0] = call.kind == D3DCall::TextureWrite ? call.args[0] : 0;
        start.args[1] = call.kind;
        start.bytes = before;
        state.recorder(std::move(start));
    }
    // Locked again before an unlock (a buffer allows it): the writes since the first lock are
    // the ones the unlock ends.
    if (!state.locked.count(key))
        state.locked[key] = Locked{std::move(call), base, std::move(before)};
}

void RecordUnlocked(const void* key) {
    Recording& state = State();
    const auto found = state.locked.find(key);
    if (found == state.locked.end()) return;
    Locked& lock = found->second;
    const BYTE* now = lock.base;
    const size_t size = lock.before.size();
    size_t first = 0;
    while (first < size && now[first] == lock.before[first])
        ++first;
    size_t end = size;
    while (end > first && now[end - 1] == lock.before[end - 1])
        --end;
    lock.call.at = first;
    lock.call.bytes.assign(now + first, now + end);
    state.recorder(std::move(lock.call));
    state.locked.erase(found);
}
