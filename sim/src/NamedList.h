// The subkeys or values of one key: kept in the machine's order, found by
// name through an index, so a key with 100,000 entries costs no linear scan
// to open a child, add a value, enumerate or delete.
//
// The order lives in a list of blocks of at most kMaxBlock entries (an
// index into it walks blocks, a change moves at most one block's entries);
// the index maps the case-folded name to the entry. Each entry records its
// block so it can be removed without a search. The first block lives in the
// list itself: most keys have a few subkeys or values, and a list that
// allocated its block and a table of blocks made three allocations for its
// first entry where one now does.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "CodePage.h"

namespace sim::hive {

// Where a new entry goes among the others.
enum class Placement {
    Append,  // after the last one: creation order
    Sorted,  // before the first one that sorts after it in NT's order
};

struct NameHash {
    size_t operator()(std::string_view name) const {
        size_t h = 14695981039346656037ull;
        for (char c : name) h = (h ^ cp1252::Lower(static_cast<unsigned char>(c))) * 1099511628211ull;
        return h;
    }
};

struct NameEqual {
    bool operator()(std::string_view a, std::string_view b) const { return cp1252::SameName(a, b); }
};

// The largest of a changing collection of sizes: the largest and how many
// have it. Removing the last of them leaves it unknown until the owner
// counts again (Get's `recount`), which costs one pass over the owner's
// entries only then, and no node per size ever.
class Largest {
public:
    void Add(size_t n) {
        if (n > m_max) {
            m_max = n;
            m_count = 1;
        } else if (n == m_max && n) {
            ++m_count;
        }
    }
    void Remove(size_t n) {
        if (n && n == m_max && --m_count == 0) m_stale = true;
    }
    // `recount(add)` calls add(size) for every size of the collection.
    template <typename Recount>
    size_t Get(Recount recount) {
        if (m_stale) {
            m_max = m_count = 0;
            m_stale = false;
            recount([this](size_t n) { Add(n); });
        }
        return m_max;
    }

private:
    size_t m_max = 0;
    size_t m_count = 0;
    bool m_stale = false;
};

// The name of a listed item: its `name`, unless an overload for its type
// (found with the type) says otherwise.
template <typename T>
std::string_view ItemName(const T& item) {
    return item.name;
}

// The name index of a long list: open addressing with linear probing over
// one array of (hash, item) pairs, so that a look-up in a key with 100,000
// subkeys costs a probe into contiguous memory and one name comparison
// rather than a bucket, a node and the name. Erasing shifts the entries
// after it back, so no tombstones slow later look-ups.
template <typename Item>
class NameIndex {
public:
    explicit NameIndex(size_t count) { Rehash(count); }

    Item* Find(std::string_view name) const {
        const size_t hash = NameHash()(name);
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot& s = m_slots[i];
            if (!s.item) return nullptr;
            if (s.hash == hash && NameEqual()(ItemName(*s.item), name)) return s.item;
        }
    }

    // `item`'s name is not in the index yet.
    void Insert(Item* item) {
        if ((m_size + 1) * 4 > m_slots.size() * 3) Rehash(m_size + 1);
        Place(NameHash()(ItemName(*item)), item);
        ++m_size;
    }

    void Erase(std::string_view name) {
        const size_t hash = NameHash()(name);
        size_t i = hash & m_mask;
        for (;; i = (i + 1) & m_mask) {
            if (!m_slots[i].item) return;
            if (m_slots[i].hash == hash && NameEqual()(ItemName(*m_slots[i].item), name)) break;
        }
        // Each later entry of the run moves into the hole unless its own
        // place lies after the hole (cyclically), up to where it stands.
        for (size_t j = (i + 1) & m_mask; m_slots[j].item; j = (j + 1) & m_mask) {
            const size_t home = m_slots[j].hash & m_mask;
            const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
            if (stays) continue;
            m_slots[i] = m_slots[j];
            i = j;
        }
        m_slots[i] = Slot{};
        --m_size;
    }

private:
    struct Slot {
        size_t hash = 0;
        Item* item = nullptr;
    };

    void Place(size_t hash, Item* item) {
        size_t i = hash & m_mask;
        while (m_slots[i].item) i = (i + 1) & m_mask;
        m_slots[i] = Slot{hash, item};
    }

    // Room for `count` entries at most three quarters full.
    void Rehash(size_t count) {
        size_t capacity = 16;
        while (capacity * 3 < count * 4 + 4) capacity *= 2;
        std::vector<Slot> old;
        old.swap(m_slots);
        m_slots.assign(capacity, Slot{});
        m_mask = capacity - 1;
        for (const Slot& s : old)
            if (s.item) Place(s.hash, s.item);
    }

    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    size_t m_size = 0;
};

// Ptr owns an Item with a name (never changed while listed) and a `place`
// the list keeps for itself.
template <typename Ptr>
class NamedList {
public:
    using Item = typename Ptr::element_type;

    NamedList() = default;
    NamedList(const NamedList&) = delete;
    NamedList& operator=(const NamedList&) = delete;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    size_t LongestName() const {
        return nameLengths_.Get([this](auto add) {
            for (size_t b = 0; b < BlockCount(); ++b)
                for (const auto& item : B(b).items) add(ItemName(*item).size());
        });
    }

    Item* Find(std::string_view name) const {
        if (!indexed_ && onDemand_ && size_ > kIndexFrom) BuildIndex();
        if (!indexed_) {
            // A short list is searched; most keys have a few subkeys and
            // values, and an index would cost more than it saves.
            for (size_t b = 0; b < BlockCount(); ++b)
                for (const auto& item : B(b).items)
                    if (NameEqual()(ItemName(*item), name)) return item.get();
            return nullptr;
        }
        return index_->Find(name);
    }

    // The entry at an enumeration index, null past the end. Walking the
    // indexes in order costs one step each.
    Item* At(size_t i) const {
        if (i >= size_) return nullptr;
        size_t b = cacheBlock_, start = cacheStart_;
        if (b >= BlockCount()) b = start = 0;
        while (i < start) start -= B(--b).items.size();
        while (i >= start + B(b).items.size()) start += B(b++).items.size();
        cacheBlock_ = b;
        cacheStart_ = start;
        return B(b).items[i - start].get();
    }

    // Adds an entry whose name is not in the list yet.
    Item* Add(Ptr item, Placement where) {
        Item* raw = item.get();
        size_t b = BlockCount();
        size_t pos = 0;
        if (where == Placement::Sorted) FindSortedPlace(*raw, &b, &pos);
        else if (sorted_ && size_ && !SortsAfter(*raw, *B(b - 1).items.back())) sorted_ = false;
        if (b == BlockCount()) {
            if (size_ == 0) {  // b is 0: the first block
                if (head_.items.capacity() == 0) head_.items.reserve(8);
            } else if (B(b - 1).items.size() >= kMaxBlock) {
                more_.push_back(std::make_unique<Block>());  // block b
                more_.back()->items.reserve(kMaxBlock + 1);
            } else {
                --b;
            }
            pos = B(b).items.size();
        }
        Block& block = B(b);
        block.items.insert(block.items.begin() + static_cast<std::ptrdiff_t>(pos), std::move(item));
        raw->place = &block;
        if (!block.maxStale && SortsAfter(*raw, *block.max)) block.max = raw;
        if (!maxStale_ && (!max_ || SortsAfter(*raw, *max_))) max_ = raw;
        if (block.items.size() > kMaxBlock) Split(b);
        ++size_;
        if (indexed_) {
            index_->Insert(raw);
        } else if (size_ > kIndexFrom && !onDemand_) {
            BuildIndex();
        }
        nameLengths_.Add(ItemName(*raw).size());
        Changed(b);
        return raw;
    }

    // A list only read after it is filled (a snapshot's copy) makes its
    // index when first asked for a name, if ever: filling it costs no index.
    // Not for lists that threads may read at once.
    void IndexOnDemand() { onDemand_ = true; }

    // Detaches an entry of this list and hands it back.
    Ptr Remove(Item* item) {
        size_t b = 0;
        while (&B(b) != item->place) ++b;
        Block& block = B(b);
        size_t pos = 0;
        while (block.items[pos].get() != item) ++pos;
        Ptr out = std::move(block.items[pos]);
        block.items.erase(block.items.begin() + static_cast<std::ptrdiff_t>(pos));
        if (block.max == item) block.maxStale = true;
        if (max_ == item) maxStale_ = true;
        if (block.items.empty()) EraseBlock(b);
        if (indexed_) index_->Erase(ItemName(*item));
        nameLengths_.Remove(ItemName(*item).size());
        item->place = nullptr;
        --size_;
        Changed(b);
        return out;
    }

    // Puts `fresh`, of the same name, where `old` is; `old` is released.
    void Replace(Item* old, Ptr fresh) {
        size_t b = 0;
        while (&B(b) != old->place) ++b;
        Block& block = B(b);
        size_t pos = 0;
        while (block.items[pos].get() != old) ++pos;
        Item* raw = fresh.get();
        raw->place = &block;
        if (indexed_) {
            index_->Erase(ItemName(*old));
            index_->Insert(raw);
        }
        if (block.max == old) block.max = raw;
        if (max_ == old) max_ = raw;
        block.items[pos] = std::move(fresh);
    }

    // Empties the list into `out`, in order.
    void TakeAll(std::vector<Ptr>* out) {
        for (size_t b = 0; b < BlockCount(); ++b)
            for (auto& item : B(b).items) {
                item->place = nullptr;
                out->push_back(std::move(item));
            }
        head_ = Block();
        more_.clear();
        index_.reset();
        indexed_ = false;
        nameLengths_ = Largest();
        size_ = 0;
        max_ = nullptr;
        maxStale_ = true;
        sorted_ = true;
        cacheBlock_ = cacheStart_ = 0;
    }

    class Iterator {
    public:
        Iterator(const NamedList* list, size_t block) : list_(list), block_(block) {}
        Item& operator*() const { return *list_->B(block_).items[pos_]; }
        Iterator& operator++() {
            if (++pos_ == list_->B(block_).items.size()) {
                ++block_;
                pos_ = 0;
            }
            return *this;
        }
        bool operator!=(const Iterator& other) const { return block_ != other.block_ || pos_ != other.pos_; }

    private:
        const NamedList* list_;
        size_t block_;
        size_t pos_ = 0;
    };
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, BlockCount()); }

private:
    static constexpr size_t kMaxBlock = 128;
    static constexpr size_t kIndexFrom = 64;  // entries: more are found through the index

    struct Block {
        std::vector<Ptr> items;
        Item* max = nullptr;     // the entry that sorts last, when not stale
        bool maxStale = true;
    };

    static bool SortsAfter(const Item& a, const Item& b) { return cp1252::CompareNamesUpper(ItemName(a), ItemName(b)) > 0; }

    static void Refresh(Block& block) {
        if (!block.maxStale) return;
        block.max = nullptr;
        for (auto& item : block.items)
            if (!block.max || SortsAfter(*item, *block.max)) block.max = item.get();
        block.maxStale = false;
    }

    // The block and position of the first entry that sorts after `item`;
    // b == BlockCount() when none does. In a list still in NT's order
    // (the usual case) that is a binary search; otherwise the blocks that
    // hold a later name are found by their largest entry, and one sorting
    // after all of them costs no scan.
    void FindSortedPlace(const Item& item, size_t* b, size_t* pos) {
        if (sorted_) {
            size_t lo = 0, hi = BlockCount();
            while (lo < hi) {
                const size_t mid = (lo + hi) / 2;
                if (SortsAfter(*B(mid).items.back(), item)) hi = mid;
                else lo = mid + 1;
            }
            *b = lo;
            if (lo == BlockCount()) return;
            const auto& items = B(lo).items;
            size_t first = 0, last = items.size();
            while (first < last) {
                const size_t mid = (first + last) / 2;
                if (SortsAfter(*items[mid], item)) last = mid;
                else first = mid + 1;
            }
            *pos = first;
            return;
        }
        if (maxStale_) {
            max_ = nullptr;
            for (size_t i = 0; i < BlockCount(); ++i) {
                Block& block = B(i);
                Refresh(block);
                if (!max_ || SortsAfter(*block.max, *max_)) max_ = block.max;
            }
            maxStale_ = false;
        }
        *b = BlockCount();
        if (!max_ || !SortsAfter(*max_, item)) return;
        for (size_t i = 0; i < BlockCount(); ++i) {
            Block& block = B(i);
            Refresh(block);
            if (!SortsAfter(*block.max, item)) continue;
            size_t p = 0;
            while (!SortsAfter(*block.items[p], item)) ++p;
            *b = i;
            *pos = p;
            return;
        }
    }

    void BuildIndex() const {
        index_ = std::make_unique<Index>(size_);
        for (size_t b = 0; b < BlockCount(); ++b)
            for (const auto& entry : B(b).items) index_->Insert(entry.get());
        indexed_ = true;
    }

    void Split(size_t b) {
        auto tail = std::make_unique<Block>();
        Block& head = B(b);
        const size_t half = head.items.size() / 2;
        for (size_t i = half; i < head.items.size(); ++i) {
            head.items[i]->place = tail.get();
            tail->items.push_back(std::move(head.items[i]));
        }
        head.items.resize(half);
        head.maxStale = true;
        more_.insert(more_.begin() + static_cast<std::ptrdiff_t>(b), std::move(tail));
    }

    // Block b is empty: the blocks after it move up. When it is the first,
    // the second takes its place in the list, its entries told so.
    void EraseBlock(size_t b) {
        if (b > 0) {
            more_.erase(more_.begin() + static_cast<std::ptrdiff_t>(b) - 1);
            return;
        }
        if (more_.empty()) return;
        head_ = std::move(*more_.front());
        for (auto& item : head_.items) item->place = &head_;
        more_.erase(more_.begin());
    }

    // Every block holds an entry: the first is in use exactly when the list
    // is not empty.
    size_t BlockCount() const { return size_ == 0 ? 0 : 1 + more_.size(); }
    Block& B(size_t b) { return b == 0 ? head_ : *more_[b - 1]; }
    const Block& B(size_t b) const { return b == 0 ? head_ : *more_[b - 1]; }

    // A change in block b moves the indexes of later entries only: a
    // cached walk position before it stays right.
    void Changed(size_t b) {
        if (b < cacheBlock_) cacheBlock_ = cacheStart_ = 0;
    }

    Block head_;
    std::vector<std::unique_ptr<Block>> more_;
    typedef NameIndex<Item> Index;
    mutable std::unique_ptr<Index> index_;  // made once the list is long
    mutable bool indexed_ = false;
    bool onDemand_ = false;
    mutable Largest nameLengths_;
    size_t size_ = 0;
    Item* max_ = nullptr;
    bool maxStale_ = true;
    bool sorted_ = true;  // every entry sorts after the one before it
    mutable size_t cacheBlock_ = 0;
    mutable size_t cacheStart_ = 0;
};

}  // namespace sim::hive
