#include "scenario/backlog.h"

void CBacklog::Append(BacklogEntry entry) {
    if (entries.size() >= CAPACITY) {
        entries.pop_front();
    }
    entries.push_back(std::move(entry));
}

void CBacklog::Clear() {
    entries.clear();
    cursor = 0;
}

CBacklog::E_MOVE CBacklog::Enter() {
    if (entries.size() <= 1) {
        return E_MOVE::NOTHING;
    }
    cursor = entries.size() - 1;
    return E_MOVE::SHOW;
}

CBacklog::E_MOVE CBacklog::Older() {
    // The cursor never goes below the second-oldest entry, so the oldest
    // entry is the last one shown.
    if (cursor <= 1) {
        return E_MOVE::NOTHING;
    }
    --cursor;
    return E_MOVE::SHOW;
}

CBacklog::E_MOVE CBacklog::Newer() {
    if (cursor + 1 >= entries.size()) {
        cursor = entries.size();
        return E_MOVE::LEAVE;
    }
    ++cursor;
    return E_MOVE::SHOW;
}
