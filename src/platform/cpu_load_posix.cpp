// POSIX backend of the processor-load counters (Linux servers): the total
// processor load is read from the aggregate "cpu" line of /proc/stat, as the
// share of busy jiffies in all jiffies between two collections.
//
// Queries and counters live in small static tables; a handle carries its
// slot and a generation, so a stale or foreign handle is recognised without
// touching freed memory, and nothing is allocated.  Nothing here blocks:
// one fopen/fgets/fclose per collection (plain stdio, available in every C
// library the deployable i386 build may meet).
#include "platform/cpu_load.h"
#include "platform/fault_points.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

constexpr const char *kDefaultStatPath = "/proc/stat";
// The one counter this backend knows: the machine's total processor time.
constexpr const char *kTotalProcessorPath = "\\Processor(_Total)\\% Processor Time";
constexpr int kSlots = 8;
constexpr int kLineSize = 512;

enum BindState { kUntried = 0, kBound = 1, kFailed = 2 };
int s_bindState = kUntried;
int s_bindAttempts = 0;
char s_statPath[260] = "/proc/stat";

struct QuerySlot {
    bool used;
    uint32_t generation;
};

struct CounterSlot {
    bool used;
    uint32_t generation;
    int query;        // slot of the query it belongs to
    bool hasBase;     // a previous collection exists
    uint64_t busy;    // jiffies of that collection
    uint64_t total;
};

QuerySlot s_queries[kSlots];
CounterSlot s_counters[kSlots];

// Handle: generation in the upper bits, slot + 1 in the low byte (never null).
void *MakeHandle(int slot, uint32_t generation) {
    const uintptr_t value = (static_cast<uintptr_t>(generation & 0xFFFFFFu) << 8) | static_cast<uintptr_t>(slot + 1);
    return reinterpret_cast<void *>(value);
}

template <typename Slot>
int SlotOf(void *handle, const Slot (&slots)[kSlots]) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    const int slot = static_cast<int>(value & 0xFFu) - 1;
    if (slot < 0 || slot >= kSlots) return -1;
    if (!slots[slot].used) return -1;
    if ((slots[slot].generation & 0xFFFFFFu) != static_cast<uint32_t>(value >> 8)) return -1;
    return slot;
}

template <typename Slot>
int FreeSlot(const Slot (&slots)[kSlots]) {
    for (int slot = 0; slot < kSlots; ++slot)
        if (!slots[slot].used) return slot;
    return -1;
}

bool SamePathIgnoringCase(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char ca = *a, cb = *b;
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
        if (ca != cb) return false;
    }
    return *a == *b;
}

// Parses the aggregate line "cpu  user nice system idle [iowait irq softirq
// steal [guest guest_nice]]\n".  Busy is everything but idle and iowait;
// guest time is already counted in user and nice, so it is left out.  False
// for another line, fewer than four fields, anything but digits and blanks,
// a line without its end (truncated) or sums beyond 64 bits.
bool ParseAggregateLine(const char *line, uint64_t *busy, uint64_t *total) {
    if (std::strncmp(line, "cpu ", 4) != 0) return false;
    const char *p = line + 3;
    uint64_t fields[8] = {};
    int count = 0;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '\n') break;
        if (*p < '0' || *p > '9') return false;  // garbage, or the end of a truncated line
        uint64_t number = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            const uint64_t digit = static_cast<uint64_t>(*p - '0');
            if (number > (UINT64_MAX - digit) / 10u) return false;
            number = number * 10u + digit;
        }
        if (*p != ' ' && *p != '\t' && *p != '\n') return false;
        if (count < 8) fields[count] = number;
        ++count;
    }
    if (count < 4) return false;
    uint64_t sum = 0;
    for (int i = 0; i < count && i < 8; ++i) {
        if (fields[i] > UINT64_MAX - sum) return false;
        sum += fields[i];
    }
    const uint64_t idle = fields[3] + (count > 4 ? fields[4] : 0);  // both are in sum: no overflow
    *busy = sum - idle;
    *total = sum;
    return true;
}

// Reads the aggregate line (the kernel writes it first).
bool ReadJiffies(uint64_t *busy, uint64_t *total) {
    std::FILE *file = std::fopen(s_statPath, "r");
    if (file == nullptr) return false;
    char line[kLineSize];
    const bool read = std::fgets(line, sizeof(line), file) != nullptr;
    std::fclose(file);
    return read && ParseAggregateLine(line, busy, total);
}

void CloseCountersOf(int query) {
    for (CounterSlot &counter : s_counters)
        if (counter.used && counter.query == query) counter.used = false;
}

}  // namespace

bool BindCpuCounters() {
    if (s_bindState == kBound) return true;
    if (s_bindState == kFailed) return false;
    ++s_bindAttempts;
    uint64_t busy = 0, total = 0;
    s_bindState = ReadJiffies(&busy, &total) ? kBound : kFailed;
    return s_bindState == kBound;
}

CpuStatus OpenCpuQuery(void **query) {
    if (query == nullptr) return CpuStatus::Failed;
    const int slot = FreeSlot(s_queries);
    if (slot < 0) return CpuStatus::Failed;
    s_queries[slot].used = true;
    ++s_queries[slot].generation;
    *query = MakeHandle(slot, s_queries[slot].generation);
    return CpuStatus::Ok;
}

CpuStatus AddCpuCounter(void *query, const char *path, void **counter) {
    const int owner = SlotOf(query, s_queries);
    if (owner < 0 || path == nullptr || counter == nullptr) return CpuStatus::Failed;
    if (!SamePathIgnoringCase(path, kTotalProcessorPath)) return CpuStatus::Failed;
    const int slot = FreeSlot(s_counters);
    if (slot < 0) return CpuStatus::Failed;
    CounterSlot &entry = s_counters[slot];
    entry.used = true;
    ++entry.generation;
    entry.query = owner;
    entry.hasBase = false;
    entry.busy = 0;
    entry.total = 0;
    *counter = MakeHandle(slot, entry.generation);
    return CpuStatus::Ok;
}

CpuStatus CollectCpuSample(void *query, void *counter, uint32_t *value) {
    const int owner = SlotOf(query, s_queries);
    const int slot = SlotOf(counter, s_counters);
    if (owner < 0 || slot < 0 || s_counters[slot].query != owner || value == nullptr) return CpuStatus::Failed;
    if (FaultFires(FaultPoint::CounterFault)) return CpuStatus::Fault;
    uint64_t busy = 0, total = 0;
    if (!ReadJiffies(&busy, &total)) return CpuStatus::Failed;  // the previous collection stays the base

    CounterSlot &entry = s_counters[slot];
    const bool hadBase = entry.hasBase;
    const uint64_t baseBusy = entry.busy, baseTotal = entry.total;
    entry.hasBase = true;
    entry.busy = busy;
    entry.total = total;
    if (!hadBase) return CpuStatus::Failed;  // first collection: no rate yet
    // Counters that went backwards (a wrap, a migrated container) or did not
    // move give no rate; the new reading is the next base.
    if (total <= baseTotal || busy < baseBusy) return CpuStatus::Failed;
    const uint64_t elapsed = total - baseTotal;
    const uint64_t used = busy - baseBusy;
    if (used > elapsed) return CpuStatus::Failed;  // idle went backwards
    const uint64_t percent = used <= UINT64_MAX / 100u
                                 ? used * 100u / elapsed
                                 : static_cast<uint64_t>(static_cast<double>(used) / static_cast<double>(elapsed) * 100.0);
    *value = static_cast<uint32_t>(percent > 100u ? 100u : percent);
    return CpuStatus::Ok;
}

CpuStatus RemoveCpuCounter(void *counter) {
    const int slot = SlotOf(counter, s_counters);
    if (slot < 0) return CpuStatus::Failed;
    if (FaultFires(FaultPoint::CounterFault)) return CpuStatus::Fault;
    s_counters[slot].used = false;
    return CpuStatus::Ok;
}

CpuStatus CloseCpuQuery(void *query) {
    const int slot = SlotOf(query, s_queries);
    if (slot < 0) return CpuStatus::Failed;
    CloseCountersOf(slot);
    s_queries[slot].used = false;
    return CpuStatus::Ok;
}

namespace {
uint32_t s_versionForTests = 0;  // 0: none, as on any system but Windows
}  // namespace

bool WindowsVersionWord(uint32_t *version) {
    if (version != nullptr) *version = s_versionForTests;
    return s_versionForTests != 0;
}

void SetWindowsVersionWordForTests(uint32_t version) { s_versionForTests = version; }

const char *CpuCounterSource() { return s_statPath; }

void ResetCpuCountersForTests(const char *source) {
    std::snprintf(s_statPath, sizeof(s_statPath), "%s", source != nullptr ? source : kDefaultStatPath);
    s_bindState = kUntried;
    s_bindAttempts = 0;
    for (QuerySlot &query : s_queries) query.used = false;
    for (CounterSlot &counter : s_counters) counter.used = false;
}

int CpuBindAttemptsForTests() { return s_bindAttempts; }

}  // namespace platform
