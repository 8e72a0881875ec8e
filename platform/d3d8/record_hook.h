// The device's calls handed to the tests' recorder (call_record.h) in the tests' build, and
// nothing in the show's.
#pragma once

#if SHOW_TEST_CONTROLS
#include "platform/d3d8/call_record.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <initializer_list>

inline std::vector<BYTE> RecordedBytes(const void* at, size_t size) {
    const auto* bytes = static_cast<const BYTE*>(at);
    return bytes ? std::vector<BYTE>(bytes, bytes + size) : std::vector<BYTE>();
}

inline D3DCall RecordedCall(D3DCall::Kind kind, std::initializer_list<DWORD> args = {}, float z = 0,
                            void* object = nullptr, std::vector<BYTE> bytes = {}) {
    D3DCall call;
    call.kind = kind;
    std::copy(args.begin(), args.end(), call.args);
    call.z = z;
    call.object = object;
    call.bytes = std::move(bytes);
    return call;
}

#define SHOW_RECORD_CALL(...)                                                                      \
    do {                                                                                           \
        if (CallsRecorded()) RecordCall(RecordedCall(__VA_ARGS__));                                \
    } while (0)
#else
#define SHOW_RECORD_CALL(...)                                                                      \
    do {                                                                                           \
    } while (0)
#endif
