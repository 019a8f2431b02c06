// Command records: one per HP-GL instruction, holding its mnemonic, its raw
// parameter text and, for PA, PD, PR and PU, its parsed points.
//
// A record is small, 16 bytes (12 in a 32-bit build; a big job holds
// millions of them): its table pointer and one 64-bit word. The word holds the mnemonic's table row and,
// at most, one thing more: a point, packed beside the row, or the address of
// a text or of a block of points, which carry the row themselves. A command
// made on its own owns that text or block on the heap. A command in a
// CommandList borrows it from the list's arena, which gives it all back at
// once with the list; pushing or inserting a command into a list copies what
// it holds into the list's arena.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <string_view>

#include "hpgl/mnemonics.h"
#include "geometry/point.h"
#include "hpgl/point_coding.h"

// The loops over every command and coordinate of a big drawing inline what
// they call, except in the 32-bit release, which is kept small:
//   KERF_INLINE_EXCEPT_SMALL  always inlined; in the release, inlined or not
//                             as the compiler chooses (a function of a .cpp)
//   KERF_INLINE_OR_ONE_COPY   always inlined; in the release never, so that
//                             one copy is called (a function of a header)
#if defined(_WIN32) && !defined(_WIN64)
#define KERF_SMALL_BUILD 1
#else
#define KERF_SMALL_BUILD 0
#endif
#if defined(__GNUC__) && !KERF_SMALL_BUILD
#define KERF_INLINE_EXCEPT_SMALL [[gnu::always_inline]]
#define KERF_INLINE_OR_ONE_COPY [[gnu::always_inline]] inline
#elif defined(__GNUC__)
#define KERF_INLINE_EXCEPT_SMALL
#define KERF_INLINE_OR_ONE_COPY [[gnu::noinline]] inline
#else
#define KERF_INLINE_EXCEPT_SMALL
#define KERF_INLINE_OR_ONE_COPY inline
#endif

namespace kerfline {

class Arena;
class OutputStream;
class DrawContext;

// Blocks are aligned so that the three low bits of a 64-bit address are
// free for the record's form; a 32-bit address has a word half of its own.
inline constexpr std::size_t kBlockAlignment = sizeof(void*) == 8 ? 8 : 1;

// The points of a command that are not packed into its word: the count,
// the command's row, whether the command owns the block, then the points
// in their compact coding (point_coding.h).
struct PointBlock {
    unsigned char countBytes[4];
    std::uint8_t row;
    std::uint8_t owned;

    std::uint32_t count() const {
        std::uint32_t n;
        std::memcpy(&n, countBytes, sizeof n);
        return n;
    }
    const unsigned char* points() const { return reinterpret_cast<const unsigned char*>(this + 1); }
    unsigned char* points() { return reinterpret_cast<unsigned char*>(this + 1); }
    // The bytes of the coded points.
    std::size_t length() const;

    // A block in `arena`, or on the heap (owned) when `arena` is null, of
    // `count` points coded in `length` bytes; throws std::bad_alloc.
    static PointBlock* make(std::uint8_t row, std::uint32_t count, const unsigned char* coded,
                            std::size_t length, Arena* arena);
};

// A text of a command: its row, whether the command owns it, then the
// zero-terminated characters.
struct TextBlock {
    std::uint8_t row;
    std::uint8_t owned;
    char* characters() { return reinterpret_cast<char*>(this + 1); }
};

// A view of a command's points: absent ("none") or a list, possibly empty,
// walked first to last. It reads the command's storage, so it stays valid
// as long as the command is neither changed nor destroyed; a single point
// is held by the view itself.
class PointSpan {
public:
    // Each step decodes the next point into the iterator, which hands out
    // a reference to it: valid until the iterator moves.
    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using iterator_concept = std::input_iterator_tag;
        using value_type = PlotPoint;
        using difference_type = std::ptrdiff_t;
        using pointer = const PlotPoint*;
        using reference = const PlotPoint&;

        iterator() = default;
        const PlotPoint& operator*() const { return current_; }
        const PlotPoint* operator->() const { return &current_; }
        KERF_INLINE_EXCEPT_SMALL iterator& operator++() {
            if (--left_ != 0) coded_ = coding::getPoint(coded_, current_);
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const iterator& a, const iterator& b) { return a.left_ == b.left_; }

    private:
        friend class PointSpan;
        const unsigned char* coded_ = nullptr;
        PlotPoint current_{};
        std::uint32_t left_ = 0;
    };

    PointSpan() = default;
    // `count` points coded in the bytes from `coded` on.
    PointSpan(const unsigned char* coded, std::uint32_t count)
        : coded_(coded), size_(count), exists_(true) {}
    explicit PointSpan(PlotPoint one) : one_(one), size_(1), exists_(true), holdsOne_(true) {}

    bool exists() const { return exists_; }
    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    KERF_INLINE_EXCEPT_SMALL iterator begin() const {
        iterator it;
        it.left_ = size_;
        if (holdsOne_)
            it.current_ = one_;
        else if (size_ != 0)
            it.coded_ = coding::getPoint(coded_, it.current_);
        return it;
    }
    iterator end() const { return iterator(); }
    // The last point, found by walking.
    KERF_INLINE_EXCEPT_SMALL PlotPoint back() const {
        if (holdsOne_) return one_;
        PlotPoint p{};
        const unsigned char* at = coded_;
        for (std::uint32_t i = 0; i < size_; ++i) at = coding::getPoint(at, p);
        return p;
    }

private:
    const unsigned char* coded_ = nullptr;
    PlotPoint one_{};
    std::uint32_t size_ = 0;
    bool exists_ = false;
    bool holdsOne_ = false;
};

// Calls f with the points of a short list decoded once into a plain array
// (a std::span), and with the coded list itself beyond that: for a caller
// that walks the points several times, as bounds, travel and end position do.
// The 32-bit release, kept small, walks the coded list only.
template <typename F>
KERF_INLINE_EXCEPT_SMALL inline decltype(auto) withPlainPoints(const PointSpan& points, F&& f) {
#if KERF_SMALL_BUILD
    return f(points);
#else
    constexpr std::uint32_t kMost = 256;
    if (points.size() > kMost) return f(points);
    PlotPoint plain[kMost];
    std::uint32_t n = 0;
    for (const PlotPoint& p : points) plain[n++] = p;
    return f(std::span<const PlotPoint>(plain, n));
#endif
}

// A growable list of points on its own, for parsing: absent until created,
// then a list that may be empty. A single point lives inline.
class PointList {
public:
    PointList() noexcept : heap_(nullptr) {}
    PointList(PointList&& other) noexcept;
    PointList& operator=(PointList&& other) noexcept;
    PointList(const PointList&) = delete;
    PointList& operator=(const PointList&) = delete;
    ~PointList() { release(); }

    bool exists() const { return capacity_ != 0; }
    // Makes an empty list with room for `room` points, replacing any.
    void create(std::uint32_t room = 1);
    void release() noexcept;

    void push_back(PlotPoint point);
    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    PlotPoint* begin() { return data(); }
    PlotPoint* end() { return data() + size_; }
    const PlotPoint* begin() const { return data(); }
    const PlotPoint* end() const { return data() + size_; }
    PlotPoint& operator[](std::uint32_t i) { return data()[i]; }
    const PlotPoint& operator[](std::uint32_t i) const { return data()[i]; }
    const PlotPoint& back() const { return data()[size_ - 1]; }

private:
    void takeFrom(PointList& other) noexcept;
    bool isInline() const { return capacity_ <= 1; }
    PlotPoint* data() { return isInline() ? &inline_ : heap_; }
    const PlotPoint* data() const { return isInline() ? &inline_ : heap_; }

    union {
        PlotPoint* heap_;
        PlotPoint inline_;
    };
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;  // 0: no list; 1: the inline point
};

// The base record: every instruction, interpreted or not.
class HpglCommand {
public:
    HpglCommand() noexcept = default;
    // Takes over what `other` holds; what it borrowed from a list becomes
    // this command's own copy (so it may throw std::bad_alloc).
    HpglCommand(HpglCommand&& other);
    // Takes over what `other` holds as it is: its own storage or a list's.
    HpglCommand& operator=(HpglCommand&& other) noexcept;
    HpglCommand(const HpglCommand&) = delete;
    HpglCommand& operator=(const HpglCommand&) = delete;

    // Applied to an empty command. A known code keeps `parameters` as its
    // text (none when empty); an unknown one keeps its two characters and
    // then the parameters, so it is written back as it was read.
    virtual void assign(MnemonicCode code, std::string_view parameters);
    virtual void clear();
    virtual void writeParameters(OutputStream& out) const;
    virtual ~HpglCommand();

    virtual int isKnown() const { return row() != 0; }
    virtual int isDrawable() const { return row() ? entry()->drawable : 0; }
    virtual int isEmpty() const { return row() == 0 && form() != kText; }
    virtual MnemonicCode mnemonic() const { return code(); }

    // Geometry: neutral here; PlotCommand gives PA, PD, PR, PU and IN theirs.
    virtual void bounds(PlotPoint& smallest, PlotPoint& largest, int& pen) const;
    virtual PlotPoint endPosition(PlotPoint current) const;
    virtual double travel(PlotPoint start, int& pen) const;

    // Advances the pass's position; PlotCommand also draws.
    virtual void draw(DrawContext& context) const;

    // The zero-terminated text, or nullptr when there is none.
    const char* text() const { return form() == kText ? textBlock()->characters() : nullptr; }
    // The table row plus one, 0 when unknown or empty.
    KERF_INLINE_EXCEPT_SMALL std::uint8_t row() const {
        switch (form()) {
            case kRowOnly:
            case kNoPoints:
                return static_cast<std::uint8_t>(word() >> 8);
            case kText:
                return textBlock()->row;
            case kPointBlock:
                return pointBlock()->row;
            default:
                return findMnemonicRow(kPackedCodes[form() - kPacked]);
        }
    }
    const MnemonicEntry* entry() const {
        const std::uint8_t r = row();
        return r ? &MnemonicTable[r - 1] : nullptr;
    }
    // mnemonic() without the virtual call, for the loops over whole drawings.
    KERF_INLINE_EXCEPT_SMALL MnemonicCode code() const {
        if (form() >= kPacked) return kPackedCodes[form() - kPacked];
        const std::uint8_t r = row();
        return r ? MnemonicTable[r - 1].code : MnemonicCode{0};
    }
    // The points, when the command holds a list (PA, PD, PR, PU once parsed).
    KERF_INLINE_EXCEPT_SMALL PointSpan points() const {
        switch (form()) {
            case kRowOnly:
            case kText:
                return PointSpan();
            case kNoPoints:
                return PointSpan(nullptr, 0);
            case kPointBlock:
                return PointSpan(pointBlock()->points(), pointBlock()->count());
            default:
                return PointSpan(packedPoint());
        }
    }

    // An instruction of fewer than two characters: an unknown command whose
    // text is exactly those characters (possibly none, but never absent).
    void assignShort(std::string_view instruction);

    // Filling a cleared command with what its reader parsed, the storage
    // taken from `arena`, or from the heap when `arena` is null. `row` is
    // the table row plus one (findMnemonicRow), 0 for an unknown mnemonic.
    // The text: `length` characters, stored with a terminating zero; an
    // empty text of an unknown command takes no memory at all.
    void setText(std::uint8_t row, const char* characters, std::size_t length, Arena* arena);
    // The row alone: IN, or a known command without parameters.
    void setRow(std::uint8_t row);
    // A point list; one point or none is mostly held in the record itself.
    void setPoints(std::uint8_t row, const PlotPoint* points, std::uint32_t count, Arena* arena);
    // The same from a reader that coded the points: `first` as it is and,
    // for two or more, all of them in `length` bytes from `coded`.
    KERF_INLINE_EXCEPT_SMALL void setCodedPoints(std::uint8_t row, PlotPoint first, std::uint32_t count,
                                           const unsigned char* coded, std::size_t length,
                                           Arena* arena) {
        releaseStorage();
        if (count == 1 && setPacked(row, first)) return;
        if (count == 0)
            setWord((std::uint64_t{row} << 8) | kNoPoints);
        else if (count == 1)
            setPoints(row, &first, 1, arena);
        else
            setPointBlock(PointBlock::make(row, count, coded, length, arena));
    }

    // Whether the command owns heap storage of its own (a list's records
    // normally borrow from the list's arena).
    KERF_INLINE_EXCEPT_SMALL bool ownsStorage() const {
        return form() == kText ? textBlock()->owned : form() == kPointBlock && pointBlock()->owned;
    }
    // Copies what the command borrows into `arena` (or onto the heap when
    // null), then it borrows (or owns) that copy.
    void relocateStorage(Arena* arena);

protected:
    // What the word holds, in its three low bits. The
    // four packed forms are PA, PD, PR and PU with one point; the point's
    // coordinates take 30 bits each, in bits 4-33 and 34-63.
    enum Form : unsigned {
        kRowOnly = 0,  // row in bits 8-15; row 0: an empty command
        kNoPoints = 1, // an empty point list, row in bits 8-15
        kText = 2,
        kPointBlock = 3,
        kPacked = 4,
    };
    static constexpr MnemonicCode kPackedCodes[4] = {mnemonic::PA, mnemonic::PD, mnemonic::PR,
                                                     mnemonic::PU};
    static constexpr std::int32_t kPackedLimit = std::int32_t{1} << 29;

    // The word, kept as two halves so that a 32-bit record takes 12 bytes.
    KERF_INLINE_EXCEPT_SMALL std::uint64_t word() const {
        std::uint64_t w;
        std::memcpy(&w, halves_, sizeof w);
        return w;
    }
    KERF_INLINE_EXCEPT_SMALL void setWord(std::uint64_t w) { std::memcpy(halves_, &w, sizeof w); }
    // A block's address and the form, in the word: a 64-bit address in
    // place (its three low bits free), a 32-bit one in the high half.
    void setAddress(const void* block, unsigned form) {
        const auto at = reinterpret_cast<std::uintptr_t>(block);
        if constexpr (sizeof(std::uintptr_t) == 8)
            setWord(std::uint64_t{at} | form);
        else
            setWord((std::uint64_t{at} << 32) | form);
    }
    void* address() const {
        if constexpr (sizeof(std::uintptr_t) == 8)
            return reinterpret_cast<void*>(static_cast<std::uintptr_t>(word() & ~std::uint64_t{7}));
        else
            return reinterpret_cast<void*>(static_cast<std::uintptr_t>(word() >> 32));
    }

    KERF_INLINE_EXCEPT_SMALL unsigned form() const { return static_cast<unsigned>(word() & 7); }
    TextBlock* textBlock() const { return static_cast<TextBlock*>(address()); }
    PointBlock* pointBlock() const { return static_cast<PointBlock*>(address()); }
    KERF_INLINE_EXCEPT_SMALL PlotPoint packedPoint() const {
        const std::uint64_t w = word();
        return PlotPoint{static_cast<std::int32_t>(static_cast<std::int64_t>(w << 30) >> 34),
                         static_cast<std::int32_t>(static_cast<std::int64_t>(w) >> 34)};
    }
    // Packs one point with the row of PA, PD, PR or PU into the word; false
    // (nothing changed) for another row or a point out of reach.
    KERF_INLINE_EXCEPT_SMALL bool setPacked(std::uint8_t row, PlotPoint p) {
        if (p.x < -kPackedLimit || p.x >= kPackedLimit || p.y < -kPackedLimit ||
            p.y >= kPackedLimit || row == 0)
            return false;
        unsigned which;
        switch (MnemonicTable[row - 1].code) {
            case mnemonic::PA: which = 0; break;
            case mnemonic::PD: which = 1; break;
            case mnemonic::PR: which = 2; break;
            case mnemonic::PU: which = 3; break;
            default: return false;
        }
        setWord((static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.x) & 0x3FFFFFFFu) << 4) |
                (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.y) & 0x3FFFFFFFu) << 34) |
                (kPacked + which));
        return true;
    }
    // Applies f to every point. The points are coded again, in place when
    // they fit the block, else in a block of the command's own.
    template <typename F>
    void changePoints(F f) {
        if (form() == kPointBlock) {
            const PointSpan before = points();
            std::uint32_t count = 0;
            PlotPoint* changed = changeBuffer(before.size());
            for (const PlotPoint& p : before) changed[count++] = f(p);
            recode(changed, count);
        } else if (form() >= kPacked) {
            const std::uint8_t r = row();
            const PlotPoint changed = f(packedPoint());
            if (!setPacked(r, changed)) setPoints(r, &changed, 1, nullptr);
        }
    }
    // Room for `count` points, kept from one change to the next.
    static PlotPoint* changeBuffer(std::uint32_t count);
    // The block's points replaced with `count` (its own count) others.
    void recode(const PlotPoint* points, std::uint32_t count);
    // Forgets what the command holds, releasing it when owned.
    KERF_INLINE_EXCEPT_SMALL void releaseStorage() noexcept {
        if (ownsStorage()) releaseOwned();
        setWord(0);
    }
    void releaseOwned() noexcept;
    void setPointBlock(PointBlock* block) { setAddress(block, kPointBlock); }

    std::uint32_t halves_[2] = {0, 0};
};

// Every command in a drawing: the base record plus the points.
class PlotCommand final : public HpglCommand {
public:
    PlotCommand() noexcept = default;
    // Reads one instruction from `instruction` as the file reader would;
    // a text without ";" leaves the command empty.
    explicit PlotCommand(const char* instruction);
    PlotCommand(PlotCommand&& other) = default;
    PlotCommand& operator=(PlotCommand&& other) noexcept = default;

    void clear() override;
    void writeParameters(OutputStream& out) const override;
    ~PlotCommand() override = default;

    void bounds(PlotPoint& smallest, PlotPoint& largest, int& pen) const override;
    PlotPoint endPosition(PlotPoint current) const override;
    double travel(PlotPoint start, int& pen) const override;
    void draw(DrawContext& context) const override;

    // PA, PD, PR, PU: points from the text, then the text is released.
    // IN: the text is released. Others: nothing.
    virtual void parsePoints();
    virtual void scale(double factor);
    virtual void rotate(std::int32_t sum);
    virtual void move(PlotPoint offset);
};

// Whether the command is PA, PD, PR or PU (the ones that hold points).
constexpr bool holdsPoints(MnemonicCode code) {
    return code == mnemonic::PA || code == mnemonic::PD || code == mnemonic::PR ||
           code == mnemonic::PU;
}

// The length of the straight cut from a to b; the differences wrap in 32 bits.
double distance(PlotPoint a, PlotPoint b);

}  // namespace kerfline
