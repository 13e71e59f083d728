#include "word/docx/name_index.h"

#include <cstring>

namespace tarnfold::word::docx {

namespace {

// Slots are kept at most half full, so that a look-up mostly ends at the first.
std::size_t SlotsFor(std::size_t count) {
    std::size_t slots = 16;
    while (slots < count * 2) slots *= 2;
    return slots;
}

// Names are short (a bookmark's is a dozen characters): they are mixed eight
// bytes at a time, which costs a fraction of the library's hash of strings.
// The low bits choose the slot, so the high ones are folded into them.
std::uint32_t HashOf(std::string_view name) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ name.size();
    std::size_t at = 0;
    for (; at + 8 <= name.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, name.data() + at, 8);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 32;
    }
    // The last bytes one by one: copying them into a word through memory
    // would make the load wait for the stores.
    std::uint64_t rest = 0;
    for (; at < name.size(); ++at) {
        rest = (rest << 8) | static_cast<unsigned char>(name[at]);
    }
    hash = (hash ^ rest) * 0xC4CEB9FE1A85EC53ULL;
    hash ^= hash >> 29;
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

}  // namespace

void NameIndex::Reserve(std::size_t count) {
    ends_.reserve(count);
    hashes_.reserve(count);
    if (SlotsFor(count) > slots_.size()) Rehash(SlotsFor(count));
}

std::string_view NameIndex::NameAt(std::uint32_t number) const {
    const std::size_t begin = number == 0 ? 0 : ends_[number - 1];
    return std::string_view(names_).substr(begin, ends_[number] - begin);
}

std::size_t NameIndex::SlotOf(std::string_view name, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t held = slots_[slot];
        if (held == 0 || (hashes_[held - 1] == hash && NameAt(held - 1) == name)) return slot;
    }
}

std::pair<std::uint32_t, bool> NameIndex::Add(std::string_view name) {
    if (slots_.size() < SlotsFor(Size() + 1)) Rehash(SlotsFor(Size() + 1));
    const std::uint32_t hash = HashOf(name);
    const std::size_t slot = SlotOf(name, hash);
    if (slots_[slot] != 0) return {slots_[slot] - 1, false};
    const auto number = static_cast<std::uint32_t>(Size());
    names_.append(name);
    ends_.push_back(names_.size());
    hashes_.push_back(hash);
    slots_[slot] = number + 1;
    return {number, true};
}

std::uint32_t NameIndex::Find(std::string_view name) const {
    if (slots_.empty()) return kMissing;
    const std::uint32_t held = slots_[SlotOf(name, HashOf(name))];
    return held == 0 ? kMissing : held - 1;
}

std::uint32_t NameIndex::Find(std::string_view name, std::uint32_t& last) const {
    // The same name again (a filling asks whether a bookmark is there, then
    // fills it), else the next one.
    for (const std::uint32_t guess : {last, last + 1}) {
        if (guess < Size() && NameAt(guess) == name) {
            return last = guess;
        }
    }
    const std::uint32_t found = Find(name);
    if (found != kMissing) last = found;
    return found;
}

void NameIndex::Clear() {
    names_.clear();
    ends_.clear();
    hashes_.clear();
    slots_.clear();
}

void NameIndex::Rehash(std::size_t slotCount) {
    slots_.assign(slotCount, 0);
    const std::size_t mask = slotCount - 1;
    for (std::uint32_t number = 0; number < Size(); ++number) {
        std::size_t slot = hashes_[number] & mask;
        while (slots_[slot] != 0) slot = (slot + 1) & mask;
        slots_[slot] = number + 1;
    }
}

}  // namespace tarnfold::word::docx
