// Command records: one per HP-GL instruction, holding its mnemonic, its raw
// parameter text and, for PA, PD, PR and PU, its parsed points.
#pragma once

#include <cstdint>
#include <string_view>

#include "hpgl/mnemonics.h"
#include "hpgl/point.h"

namespace kerfline {

class OutputStream;
class DrawContext;

// The points of one command: absent ("none") until parsed, then a list that
// may be empty. A single point lives inline, so the common one-point PD or
// PU costs no heap block of its own.
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
    // Takes over other's points; this list holds none before.
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
    HpglCommand(HpglCommand&& other) noexcept;
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

    virtual int isKnown() const { return entry_ != nullptr; }
    virtual int isDrawable() const { return entry_ ? entry_->drawable : 0; }
    virtual int isEmpty() const { return entry_ == nullptr && text_ == nullptr; }
    virtual MnemonicCode mnemonic() const { return entry_ ? entry_->code : 0; }

    // Geometry: neutral here; PlotCommand gives PA, PD, PR, PU and IN theirs.
    virtual void bounds(PlotPoint& smallest, PlotPoint& largest, int& pen) const;
    virtual PlotPoint endPosition(PlotPoint current) const;
    virtual double travel(PlotPoint start, int& pen) const;

    // Advances the pass's position; PlotCommand also draws.
    virtual void draw(DrawContext& context) const;

    // The owned, zero-terminated text, or nullptr when there is none.
    const char* text() const { return text_; }
    const MnemonicEntry* entry() const { return entry_; }

    // An instruction of fewer than two characters: an unknown command whose
    // text is exactly those characters (possibly none, but never absent).
    void assignShort(std::string_view instruction);

protected:
    void releaseText() noexcept;
    // mnemonic() without the virtual call, for the hot loops.
    MnemonicCode code() const { return entry_ ? entry_->code : 0; }

    const MnemonicEntry* entry_ = nullptr;
    char* text_ = nullptr;
};

// Every command in a drawing: the base record plus the points.
class PlotCommand final : public HpglCommand {
public:
    PlotCommand() noexcept = default;
    // Reads one instruction from `instruction` as the file reader would;
    // a text without ";" leaves the command empty.
    explicit PlotCommand(const char* instruction);
    PlotCommand(PlotCommand&& other) noexcept = default;
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

    const PointList& points() const { return points_; }

    // The reader's fast path for a drawable instruction: the same result as
    // assign() followed by parsePoints(), without the intermediate text.
    void assignDrawable(const MnemonicEntry& entry, std::string_view parameters);

private:
    PointList points_;
};

// Whether the command is PA, PD, PR or PU (the ones that hold points).
constexpr bool holdsPoints(MnemonicCode code) {
    return code == mnemonic::PA || code == mnemonic::PD || code == mnemonic::PR ||
           code == mnemonic::PU;
}

// The length of the straight cut from a to b; the differences wrap in 32 bits.
double distance(PlotPoint a, PlotPoint b);

}  // namespace kerfline
