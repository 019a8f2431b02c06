// Command records: one per HP-GL instruction, holding its mnemonic, its raw
// parameter text and, for PA, PD, PR and PU, its parsed points.
//
// A record is small, 24 bytes on 64-bit systems and 16 on 32-bit ones (a
// big job holds millions of them): besides its table row it holds one thing
// at most, a text, a single point, or a block of points, never a text and
// points at once. A command made on its own owns that text or block on the
// heap. A command in a CommandList borrows it from the list's arena, which
// gives it all back at once with the list; pushing or inserting a command
// into a list copies what it holds into the list's arena.
#pragma once

#include <cstdint>
#include <string_view>

#include "hpgl/mnemonics.h"
#include "hpgl/point.h"

namespace kerfline {

class Arena;
class OutputStream;
class DrawContext;

// The points of a list of two or more: the count, then the points.
struct PointBlock {
    std::uint32_t count;
    PlotPoint* points() { return reinterpret_cast<PlotPoint*>(this + 1); }

    static std::size_t bytesFor(std::uint32_t count) {
        return sizeof(PointBlock) + std::size_t{count} * sizeof(PlotPoint);
    }
    // A block in `arena`, or on the heap when `arena` is null; throws
    // std::bad_alloc.
    static PointBlock* make(const PlotPoint* points, std::uint32_t count, Arena* arena);
};

// A view of a command's points: absent ("none") or a list, possibly empty.
// It points into the command, so it stays valid as long as the command is
// neither changed nor destroyed.
template <typename Point>
class BasicPointSpan {
public:
    BasicPointSpan() = default;
    BasicPointSpan(Point* first, std::uint32_t size) : first_(first), size_(size), exists_(true) {}

    bool exists() const { return exists_; }
    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Point* begin() const { return first_; }
    Point* end() const { return first_ + size_; }
    Point& operator[](std::uint32_t i) const { return first_[i]; }
    Point& back() const { return first_[size_ - 1]; }

private:
    Point* first_ = nullptr;
    std::uint32_t size_ = 0;
    bool exists_ = false;
};
using PointSpan = BasicPointSpan<const PlotPoint>;
using MutablePointSpan = BasicPointSpan<PlotPoint>;

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
    HpglCommand() noexcept : data_{} {}
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

    virtual int isKnown() const { return row_ != 0; }
    virtual int isDrawable() const { return row_ ? entry()->drawable : 0; }
    virtual int isEmpty() const { return row_ == 0 && form_ != kText; }
    virtual MnemonicCode mnemonic() const { return code_; }

    // Geometry: neutral here; PlotCommand gives PA, PD, PR, PU and IN theirs.
    virtual void bounds(PlotPoint& smallest, PlotPoint& largest, int& pen) const;
    virtual PlotPoint endPosition(PlotPoint current) const;
    virtual double travel(PlotPoint start, int& pen) const;

    // Advances the pass's position; PlotCommand also draws.
    virtual void draw(DrawContext& context) const;

    // The zero-terminated text, or nullptr when there is none.
    const char* text() const { return form_ == kText ? data_.text : nullptr; }
    const MnemonicEntry* entry() const { return row_ ? &MnemonicTable[row_ - 1] : nullptr; }
    // mnemonic() without the virtual call, for the loops over whole drawings.
    MnemonicCode code() const { return code_; }
    // The points, when the command holds a list (PA, PD, PR, PU once parsed).
    PointSpan points() const {
        switch (form_) {
            case kNoPoints:
                return PointSpan(&data_.point, 0);
            case kOnePoint:
                return PointSpan(&data_.point, 1);
            case kPointBlock:
                return PointSpan(data_.block->points(), data_.block->count);
            default:
                return PointSpan();
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
    // A point list; one point or none is held in the record itself.
    void setPoints(std::uint8_t row, const PlotPoint* points, std::uint32_t count, Arena* arena) {
        releaseStorage();
        setRowOnly(row);
        if (count > 1) {
            setPointBlock(points, count, arena);
        } else if (count == 1) {
            data_.point = points[0];
            form_ = kOnePoint;
        } else {
            form_ = kNoPoints;
        }
    }

    // Whether the command owns heap storage of its own (a list's records
    // normally borrow from the list's arena).
    bool ownsStorage() const { return owned_; }
    // Copies what the command borrows into `arena` (or onto the heap when
    // null), then it borrows (or owns) that copy.
    void relocateStorage(Arena* arena);

protected:
    enum Form : std::uint8_t { kNothing, kText, kNoPoints, kOnePoint, kPointBlock };

    MutablePointSpan mutablePoints();
    // Forgets what the command holds, releasing it when owned.
    void releaseStorage() noexcept {
        if (owned_) releaseOwned();
        form_ = kNothing;
    }
    void releaseOwned() noexcept;
    void setPointBlock(const PlotPoint* points, std::uint32_t count, Arena* arena);
    void setRowOnly(std::uint8_t row) {
        row_ = row;
        code_ = row ? MnemonicTable[row - 1].code : 0;
    }

    union Data {
        const char* text;
        PointBlock* block;
        PlotPoint point;
    } data_;
    MnemonicCode code_ = 0;  // the mnemonic of a known command, 0 otherwise
    std::uint8_t row_ = 0;   // its table row plus one, 0 when unknown or empty
    std::uint8_t form_ : 7 = kNothing;
    std::uint8_t owned_ : 1 = 0;
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
