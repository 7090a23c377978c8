#pragma once
// The messages shown so far, oldest first, at most 101, and the cursor of the
// backlog view. The entry shown in the view is always the one just before
// the cursor; the cursor stands on any entry from the second-oldest to the
// newest, or at the end (past the newest), which means "back in the game".
// Pure; the game object holds it under its state lock.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

struct BacklogEntry {
    std::wstring speakerName;
    std::wstring messageText;
    std::wstring voiceName;
};

class CBacklog {
public:
    static constexpr std::size_t CAPACITY = 101;

    // Appends a message, dropping the oldest one when the list is full.
    void Append(BacklogEntry entry);
    void Clear();
    std::size_t Size() const { return entries.size(); }
    const BacklogEntry& At(std::size_t index) const { return entries.at(index); }
    const BacklogEntry& Newest() const { return entries.back(); }
    bool Empty() const { return entries.empty(); }

    // What a move of the view asks the game to do.
    enum class E_MOVE {
        NOTHING,  // the view stays as it is
        SHOW,  // show Shown()
        LEAVE,  // show the newest entry and go back to the game
    };

    // Enters the view at the newest entry; NOTHING when the list holds one
    // entry or none (there is nothing older to show).
    E_MOVE Enter();
    // One entry older; at the oldest entry nothing happens.
    E_MOVE Older();
    // One entry newer; past the newest the view is left.
    E_MOVE Newer();
    // The entry before the cursor.
    const BacklogEntry& Shown() const { return entries.at(cursor - 1); }
    std::size_t Cursor() const { return cursor; }

private:
    std::deque<BacklogEntry> entries;
    std::size_t cursor = 0;
};
