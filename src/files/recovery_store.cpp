// The platform-neutral half of the recovery store: the slot's life, the
// copy's writing and removal, the search for copies of editors that died,
// and the info file's text; the system's part is the seam of
// recovery_store_host.h.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "files/recovery_store.h"
#include "files/recovery_store_host.h"
#include "files/safe_save.h"

namespace {

// A decimal number of at most 20 digits filling text[from, to), with a
// leading '-' when `sign`; false for anything else or a value past the type.
bool decimal(const std::string& text, size_t from, size_t to, bool sign, uint64_t& magnitude, bool& negative) {
    negative = sign && from < to && text[from] == '-';
    if (negative) ++from;
    if (from == to || to - from > 20) return false;
    uint64_t value = 0;
    for (size_t i = from; i < to; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    magnitude = value;
    return true;
}

// "stamp D F S M": the stamp line's text without its line end.
bool parseStamp(const std::string& line, FileStamp& stamp) {
    const std::string head = "stamp ";
    if (line.compare(0, head.size(), head) != 0) return false;
    uint64_t parts[4];
    bool negative = false;
    size_t at = head.size();
    for (int i = 0; i < 4; ++i) {
        const size_t end = i < 3 ? line.find(' ', at) : line.size();
        if (end == std::string::npos) return false;
        if (!decimal(line, at, end, i == 3, parts[i], negative)) return false;
        if (i == 3 && parts[i] > static_cast<uint64_t>(INT64_MAX)) return false;
        at = end + 1;
    }
    stamp = FileStamp();
    stamp.known = true;
    stamp.regular = true;  // only a map file that opened or saved is stamped
    stamp.device = parts[0];
    stamp.file = parts[1];
    stamp.size = parts[2];
    stamp.modified = negative ? -static_cast<int64_t>(parts[3]) : static_cast<int64_t>(parts[3]);
    return true;
}

}  // namespace

std::string recoveryInfoText(int64_t changeTime, const std::string& mapPath, const FileStamp& stamp) {
    std::string text = std::to_string(changeTime) + "\n" + mapPath + "\n";
    if (stamp.known && stamp.regular)
        text += "stamp " + std::to_string(stamp.device) + " " + std::to_string(stamp.file) + " " +
                std::to_string(stamp.size) + " " + std::to_string(stamp.modified) + "\n";
    return text;
}

bool parseRecoveryInfo(const std::string& text, int64_t& changeTime, std::string& mapPath, FileStamp& stamp) {
    const size_t first = text.find('\n');
    if (first == std::string::npos || first == 0 || first > 18) return false;
    int64_t time = 0;
    for (size_t i = 0; i < first; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        time = time * 10 + (text[i] - '0');
    }
    const size_t second = text.find('\n', first + 1);
    if (second == std::string::npos || second - first - 1 > 4095) return false;
    std::string path = text.substr(first + 1, second - first - 1);
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7f) return false;
    FileStamp known;
    if (second + 1 != text.size()) {
        const size_t third = text.find('\n', second + 1);
        if (third == std::string::npos || third + 1 != text.size()) return false;
        if (!parseStamp(text.substr(second + 1, third - second - 1), known)) return false;
    }
    changeTime = time;
    mapPath = path;
    stamp = known;
    return true;
}

namespace {

std::string base(const RecoverySlot& slot) { return slot.folder + slot.id; }

}  // namespace

RecoverySlot::RecoverySlot(RecoverySlot&& o) noexcept
    : folder(std::move(o.folder)), id(std::move(o.id)), lock(o.lock), written(o.written) {
    o.lock = -1;
}

RecoverySlot& RecoverySlot::operator=(RecoverySlot&& o) noexcept {
    if (this != &o) {
        recovery_host::release(lock);
        folder = std::move(o.folder);
        id = std::move(o.id);
        lock = o.lock;
        written = o.written;
        o.lock = -1;
    }
    return *this;
}

RecoverySlot::~RecoverySlot() { recovery_host::release(lock); }

bool writeRecoveryCopy(RecoverySlot& slot, const uint8_t* bytes, size_t size, const std::string& mapPath,
                       const FileStamp& stamp, int64_t changeTime, std::string* reason) {
    if (slot.lock == -1) return recovery_host::failNoLock(reason, slot.folder);
    const std::string map = base(slot) + ".map", infoPath = base(slot) + ".info";
    // Someone's link at our names: said, not replaced, as it is no accident.
    for (const std::string* name : {&map, &infoPath})
        if (recovery_host::isLink(*name)) {
            if (reason) *reason = *name + " is a link";
            return false;
        }
    std::string why;
    const std::string info = recoveryInfoText(changeTime, mapPath, stamp);
    // The map first: a kill between the two leaves the new map beside the
    // info of the one before, whose path is the same unless a load or save
    // came between. Our own files: a link made at a name since the look
    // above is replaced, never written through.
    if (!saveFileSafely(map.c_str(), bytes, size, &why, SaveTarget::ownFile) ||
        !saveFileSafely(infoPath.c_str(), reinterpret_cast<const uint8_t*>(info.data()), info.size(), &why,
                        SaveTarget::ownFile)) {
        if (reason) *reason = why;
        return false;
    }
    slot.written = true;
    return true;
}

void removeRecoveryCopy(RecoverySlot& slot) {
    if (slot.id.empty()) return;
    recovery_host::removeFile(base(slot) + ".map");
    recovery_host::removeFile(base(slot) + ".info");
    slot.written = false;
}

void closeRecoverySlot(RecoverySlot& slot) {
    if (slot.id.empty()) return;
    removeRecoveryCopy(slot);
    recovery_host::dropLockFile(slot);
    slot.id.clear();
}

std::vector<OrphanCopy> findOrphanCopies(const std::string& folder, size_t mapBytes) {
    std::vector<OrphanCopy> found;
    for (const std::string& id : recovery_host::copyIds(folder)) {
        OrphanCopy copy;
        copy.slot.folder = folder;
        copy.slot.id = id;
        // A copy without a lock file lost it to someone's tidying: its editor
        // is gone too, and the new lock file stands in for it.
        copy.slot.lock = recovery_host::takeOrphanLock(folder + id + ".lock");
        if (copy.slot.lock == -1) continue;
        // Its editor closed between the listing and the lock: no copy, and
        // the lock file just made is nobody's.
        if (recovery_host::missing(folder + id + ".map")) {
            closeRecoverySlot(copy.slot);
            continue;
        }
        std::vector<uint8_t> info;
        if (!recovery_host::readRegular(folder + id + ".map", mapBytes, copy.bytes) || copy.bytes.size() != mapBytes)
            continue;
        if (!recovery_host::readRegular(folder + id + ".info", 8192, info)) continue;
        if (!parseRecoveryInfo(std::string(info.begin(), info.end()), copy.changeTime, copy.mapPath, copy.stamp))
            continue;
        copy.slot.written = true;
        found.push_back(std::move(copy));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const OrphanCopy& a, const OrphanCopy& b) { return a.changeTime > b.changeTime; });
    return found;
}

void discardOrphanCopy(OrphanCopy& copy) { closeRecoverySlot(copy.slot); }
