#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <list>

#include "platform/DateTime.h"

class TTask;

// One entry of an index file: a stored file and the modification time its source had when it was stored.
struct TIndexFileItem {
    QString Path;  // exact and case-sensitive
    TDateTime Time = 0;
    bool Seen = false;  // in memory only: this run recorded or looked up the item
};

// The index of one side. Items keep their order (file order, then the order in which the run added
// them); a hash beside the list makes every look-up, update and removal O(1), so a run stays linear in
// the number of files. A file may hold the same path twice: look-ups find the first such item, but all
// of them are kept so that a save writes back what was read.
class TIndexList {
    struct TNode : TIndexFileItem {
        TNode* nextSame = nullptr;  // the next item with the same path, in list order
        std::list<TNode>::iterator self;
    };
    using TNodes = std::list<TNode>;

public:
    // Iteration in order; removal through Remove(iterator) keeps the loop going.
    class iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = TIndexFileItem;
        using difference_type = std::ptrdiff_t;
        using pointer = TIndexFileItem*;
        using reference = TIndexFileItem&;

        iterator() = default;
        reference operator*() const { return *it_; }
        pointer operator->() const { return &*it_; }
        iterator& operator++() {
            ++it_;
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++it_;
            return old;
        }
        iterator& operator--() {
            --it_;
            return *this;
        }
        bool operator==(const iterator&) const = default;

    private:
        friend class TIndexList;
        explicit iterator(TNodes::iterator it) : it_(it) {}
        TNodes::iterator it_;
    };

    TIndexList() = default;
    TIndexList(const TIndexList&) = delete;
    TIndexList& operator=(const TIndexList&) = delete;

    // With a time other than 0: updates the item of path or appends one; marks it seen. Returns the item
    // (none for time 0).
    TIndexFileItem* SetIndexTime(const QString& path, TDateTime time);
    // The first item of path, or none.
    TIndexFileItem* Find(const QString& path) const;
    // The time of path's item (marked seen), 0 when there is none.
    TDateTime GetIndexTime(const QString& path);
    // Removes an item of this list; the pointer is invalid afterwards.
    void Remove(TIndexFileItem* item);
    iterator Remove(iterator position);
    // Appends an item even when its path is already present (reading a file).
    TIndexFileItem* Append(const QString& path, TDateTime time);

    int Count() const { return static_cast<int>(nodes_.size()); }
    bool IsEmpty() const { return nodes_.empty(); }
    void Clear();

    iterator begin() { return iterator(nodes_.begin()); }
    iterator end() { return iterator(nodes_.end()); }
    // Read-only traversal in order.
    template <typename F>
    void ForEach(F&& f) const {
        for (const TNode& node : nodes_)
            f(static_cast<const TIndexFileItem&>(node));
    }

    // Set when the side's index file was read successfully in this run.
    bool Loaded = false;

private:
    void Unlink(TNode& node);

    TNodes nodes_;
    QHash<QString, TNode*> first_;
};

// The index file format: "IndexFileStart" ESC, the item count (int32 LE), per item the path length
// (int32 LE), the path bytes, the time (IEEE double LE) and the byte 'c', and "IndexFileEnd". Path bytes
// are EncodeFileName of the path: UTF-8, or the original bytes of a name that is not valid UTF-8.

// Appends the items of data to list; true (and list.Loaded set) when every check passed. On a failed
// check the items read before it stay in the list. Counts and lengths are checked against the bytes
// actually present, so damaged data fails without large allocations; a negative count or length fails.
bool ParseIndex(const QByteArray& data, TIndexList& list);
QByteArray SerializeIndex(const TIndexList& list);

// Reads the index file at path into list (as ParseIndex); false when it is missing or unreadable.
bool LoadIndexFile(const QString& path, TIndexList& list);
// Writes list to path atomically: a temporary file in the same folder is written, flushed to disk and
// renamed over path, so a failure never destroys the previous index. The index file is not given a
// hidden name: a name beginning with '.' is how Linux hides files, and the index keeps its known name.
bool SaveIndexFile(const QString& path, const TIndexList& list);

// The index file name of a task: its ID with the extension (the part from the last '.') replaced by
// ".idx". Characters that cannot stand in one file name ('/' and NUL) become '_', so that an ID never
// points outside the folder that holds the index.
QString IndexFileNameFor(const QString& taskId);
// False when the task keeps no index files: DisableIndexFiles, a move, or a destination other than a
// local folder or an FTP server.
bool IndexEnabled(const TTask& task);
