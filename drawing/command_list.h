// The drawing's command list: commands in file order, stored in large blocks.
//
// Growing never moves the commands already read (a vector's reallocation
// would briefly hold the list twice, doubling the peak memory of a large
// file), blocks are few and large (one allocation per 1024 commands rather
// than one per dozen, as a deque makes), and walking the list is a pointer
// increment within a block.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "hpgl/command.h"

namespace kerfline {

class CommandList {
    // 1024 commands: about 40 KB, small enough to come from the heap rather
    // than a mapping of its own that would be returned to the system on release.
    static constexpr std::size_t kBlockShift = 10;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockShift;
    static constexpr std::size_t kBlockMask = kBlockSize - 1;

    struct BlockDeleter {
        void operator()(PlotCommand* block) const { ::operator delete(static_cast<void*>(block)); }
    };
    using Block = std::unique_ptr<PlotCommand, BlockDeleter>;

public:
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
        Iterator& operator--() { return *this -= 1; }
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
            cur_ = blockEnd_ = nullptr;
            if (!list_ || index_ >= list_->size_) return;
            PlotCommand* block = list_->blocks_[index_ >> kBlockShift].get();
            cur_ = block + (index_ & kBlockMask);
            const std::size_t blockStart = index_ & ~kBlockMask;
            const std::size_t used = list_->size_ - blockStart;
            blockEnd_ = block + (used < kBlockSize ? used : kBlockSize);
        }

        List* list_ = nullptr;
        std::size_t index_ = 0;
        pointer cur_ = nullptr;
        pointer blockEnd_ = nullptr;
    };
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    CommandList() = default;
    CommandList(CommandList&& other) noexcept
        : blocks_(std::move(other.blocks_)), size_(std::exchange(other.size_, 0)) {}
    CommandList& operator=(CommandList&& other) noexcept {
        if (this != &other) {
            clear();
            blocks_ = std::move(other.blocks_);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    CommandList(const CommandList&) = delete;
    CommandList& operator=(const CommandList&) = delete;
    ~CommandList() { clear(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    PlotCommand& operator[](std::size_t i) {
        return blocks_[i >> kBlockShift].get()[i & kBlockMask];
    }
    const PlotCommand& operator[](std::size_t i) const {
        return blocks_[i >> kBlockShift].get()[i & kBlockMask];
    }
    PlotCommand& back() { return (*this)[size_ - 1]; }

    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, size_); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size_); }

    // A new empty command at the end.
    PlotCommand& emplace_back() {
        if ((size_ >> kBlockShift) == blocks_.size()) {
            static_assert(alignof(PlotCommand) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
            blocks_.emplace_back(
                static_cast<PlotCommand*>(::operator new(kBlockSize * sizeof(PlotCommand))));
        }
        PlotCommand* slot = &(*this)[size_];
        ::new (static_cast<void*>(slot)) PlotCommand();
        ++size_;
        return *slot;
    }
    PlotCommand& push_back(PlotCommand&& command) { return emplace_back() = std::move(command); }

    void pop_back() {
        --size_;
        (*this)[size_].~PlotCommand();
        // Keep one spare block at most, so that a read that ends right after
        // a block boundary does not leave an empty block behind twice.
        if (blocks_.size() > (size_ >> kBlockShift) + 1) blocks_.pop_back();
    }

    // Moves `count` commands in before position `index` (at most size()).
    void insert(std::size_t index, PlotCommand* commands, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) emplace_back();
        // From the end down to the gap; `i` is one past the slot filled.
        for (std::size_t i = size_; i > index + count; --i)
            (*this)[i - 1] = std::move((*this)[i - 1 - count]);
        for (std::size_t i = 0; i < count; ++i) (*this)[index + i] = std::move(commands[i]);
    }

    void clear() {
        for (std::size_t i = 0; i < size_; ++i) (*this)[i].~PlotCommand();
        size_ = 0;
        blocks_.clear();
    }

private:
    std::vector<Block> blocks_;
    std::size_t size_ = 0;
};

}  // namespace kerfline
