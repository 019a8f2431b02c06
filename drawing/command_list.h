// The drawing's command list: commands in file order, stored in large
// blocks, their texts and points in the list's arena.
//
// Growing never moves the commands already read (a vector's reallocation
// would briefly hold the list twice), blocks double in size up to a few
// megabytes, and walking the list is a pointer increment within a block.
// The list gives its blocks and its arena back at once: no command is
// destroyed one by one, since none owns anything of its own, except one
// that was changed through a reference the list handed out (assigned,
// cleared or read into), which the list then looks for when it is emptied.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

#include "hpgl/arena.h"
#include "hpgl/command.h"

namespace kerfline {

class CommandList {
    struct Block {
        PlotCommand* records;
        std::size_t first;     // the index of its first command
        std::size_t capacity;  // in commands
    };

public:
    // Commands are stored in blocks from 4 KiB, each as large as all before
    // it together, up to 8 MiB.
    static constexpr std::size_t kSmallestBlock = 4 * 1024;
    static constexpr std::size_t kLargestBlock = 8 * 1024 * 1024;

    template <bool Const>
    class Iterator {
        using List = std::conditional_t<Const, const CommandList, CommandList>;

    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = PlotCommand;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const PlotCommand*, PlotCommand*>;
        using reference = std::conditional_t<Const, const PlotCommand&, PlotCommand&>;

        Iterator() = default;
        Iterator(List* list, std::size_t index) : list_(list), index_(index) { locate(); }
        operator Iterator<true>() const { return Iterator<true>(list_, index_); }

        reference operator*() const { return *cur_; }
        pointer operator->() const { return cur_; }
        reference operator[](difference_type n) const { return *(*this + n); }
        Iterator& operator++() {
            ++index_;
            if (++cur_ == blockEnd_) locate();
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++*this;
            return old;
        }
        Iterator& operator--() {
            --index_;
            if (cur_ && cur_ != blockBegin_)
                --cur_;
            else
                locate();
            return *this;
        }
        Iterator operator--(int) {
            Iterator old = *this;
            --*this;
            return old;
        }
        Iterator& operator+=(difference_type n) {
            index_ = static_cast<std::size_t>(static_cast<difference_type>(index_) + n);
            locate();
            return *this;
        }
        Iterator& operator-=(difference_type n) { return *this += -n; }
        friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
        friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
        friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const Iterator& a, const Iterator& b) {
            return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.index_ == b.index_;
        }
        friend auto operator<=>(const Iterator& a, const Iterator& b) {
            return a.index_ <=> b.index_;
        }
        std::size_t index() const { return index_; }

    private:
        void locate() {
            cur_ = blockBegin_ = blockEnd_ = nullptr;
            if (!list_ || index_ >= list_->size_) return;
            const Block& block = list_->blockOf(index_);
            blockBegin_ = block.records;
            cur_ = block.records + (index_ - block.first);
            const std::size_t used = list_->size_ - block.first;
            blockEnd_ = block.records + (used < block.capacity ? used : block.capacity);
        }

        List* list_ = nullptr;
        std::size_t index_ = 0;
        pointer cur_ = nullptr;
        pointer blockBegin_ = nullptr;
        pointer blockEnd_ = nullptr;
    };
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    CommandList() = default;
    CommandList(CommandList&& other) noexcept
        : blocks_(std::move(other.blocks_)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)),
          mayOwn_(std::exchange(other.mayOwn_, false)),
          arena_(std::move(other.arena_)) {
        other.blocks_.clear();
    }
    CommandList& operator=(CommandList&& other) noexcept {
        if (this != &other) {
            clear();
            blocks_ = std::move(other.blocks_);
            other.blocks_.clear();
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
            mayOwn_ = std::exchange(other.mayOwn_, false);
            arena_ = std::move(other.arena_);
        }
        return *this;
    }
    CommandList(const CommandList&) = delete;
    CommandList& operator=(const CommandList&) = delete;
    ~CommandList() { clear(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    PlotCommand& operator[](std::size_t i) {
        mayOwn_ = true;
        return record(i);
    }
    const PlotCommand& operator[](std::size_t i) const {
        const Block& block = blockOf(i);
        return block.records[i - block.first];
    }
    PlotCommand& back() { return (*this)[size_ - 1]; }
    const PlotCommand& back() const { return (*this)[size_ - 1]; }

    iterator begin() {
        mayOwn_ = true;
        return iterator(this, 0);
    }
    iterator end() { return iterator(this, size_); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

    // Calls f(const PlotCommand*, count) for each block's run of commands,
    // first to last: the loops over whole drawings.
    template <typename F>
    void forEachRun(F&& f) const {
        std::size_t left = size_;
        for (const Block& block : blocks_) {
            if (left == 0) break;
            const std::size_t n = left < block.capacity ? left : block.capacity;
            f(static_cast<const PlotCommand*>(block.records), n);
            left -= n;
        }
    }

    // A new empty command at the end.
    PlotCommand& emplace_back() {
        mayOwn_ = true;
        return appendRecord();
    }
    // The command's text or points are copied into the list; `command` is
    // left empty.
    PlotCommand& push_back(PlotCommand&& command) {
        PlotCommand& slot = appendRecord();
        adopt(slot, command);
        return slot;
    }

    void pop_back() {
        --size_;
        record(size_).~PlotCommand();
        // Appending goes to the last block: give back one left empty.
        if (blocks_.size() > 1 && size_ == blocks_.back().first) {
            const Block last = blocks_.back();
            blocks_.pop_back();
            releaseBlock(last.records, last.capacity * sizeof(PlotCommand));
            capacity_ -= last.capacity;
        }
    }

    // Moves `count` commands in before position `index` (at most size());
    // they are left empty.
    void insert(std::size_t index, PlotCommand* commands, std::size_t count) {
        if (count == 0) return;
        std::vector<PlotCommand> held(count);
        for (std::size_t i = 0; i < count; ++i) adopt(held[i], commands[i]);
        for (std::size_t i = 0; i < count; ++i) appendRecord();
        // Moving by assignment: the commands keep borrowing from this list.
        std::move_backward(iterator(this, index), iterator(this, size_ - count),
                           iterator(this, size_));
        for (std::size_t i = 0; i < count; ++i) record(index + i) = std::move(held[i]);
    }

    void clear() {
        if (mayOwn_) {
            std::size_t left = size_;
            for (const Block& block : blocks_) {
                for (std::size_t i = 0; i < block.capacity && left > 0; ++i, --left)
                    if (block.records[i].ownsStorage()) block.records[i].clear();
            }
        }
        for (const Block& block : blocks_)
            releaseBlock(block.records, block.capacity * sizeof(PlotCommand));
        blocks_.clear();
        size_ = capacity_ = 0;
        mayOwn_ = false;
        arena_.release();
    }

    // For the list's readers: a new empty command at the end, to be filled
    // with storage from arena(); it borrows that storage.
    PlotCommand& appendRecord() {
        if (size_ == capacity_) grow();
        const Block& block = blocks_.back();
        PlotCommand* slot = block.records + (size_ - block.first);
        ::new (static_cast<void*>(slot)) PlotCommand();
        ++size_;
        return *slot;
    }
    Arena& arena() { return arena_; }

    // The bytes the list holds: its blocks and its arena.
    std::size_t reservedBytes() const {
        return capacity_ * sizeof(PlotCommand) + arena_.reserved();
    }

private:
    const Block& blockOf(std::size_t i) const {
        // The last block first: appending and walking forward look there.
        const Block& last = blocks_.back();
        if (i >= last.first) return last;
        const auto found = std::upper_bound(
            blocks_.begin(), blocks_.end(), i,
            [](std::size_t index, const Block& block) { return index < block.first; });
        return *(found - 1);
    }
    PlotCommand& record(std::size_t i) {
        const Block& block = blockOf(i);
        return block.records[i - block.first];
    }

    void grow() {
        static_assert(alignof(PlotCommand) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
        const std::size_t bytes = nextBlockSize(capacity_ * sizeof(PlotCommand), kSmallestBlock,
                                                kLargestBlock);
        const std::size_t count = bytes / sizeof(PlotCommand);
        blocks_.reserve(blocks_.size() + 1);
        void* memory = allocateBlock(count * sizeof(PlotCommand));
        blocks_.push_back(Block{static_cast<PlotCommand*>(memory), capacity_, count});
        capacity_ += count;
    }

    // Whatever the command holds, on the heap or in another list, is
    // copied into this list's arena.
    void adopt(PlotCommand& slot, PlotCommand& command) {
        slot = std::move(command);
        slot.relocateStorage(&arena_);
    }

    std::vector<Block> blocks_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool mayOwn_ = false;
    Arena arena_;
};

}  // namespace kerfline
