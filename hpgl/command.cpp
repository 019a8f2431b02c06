#include "hpgl/command.h"

#include <cstring>
#include <new>
#include <utility>

#include "hpgl/reader.h"
#include "hpgl/stream.h"

namespace kerfline {

// --- PointList -------------------------------------------------------------

PointList::PointList(PointList&& other) noexcept : heap_(nullptr) { takeFrom(other); }

PointList& PointList::operator=(PointList&& other) noexcept {
    if (this != &other) {
        release();
        takeFrom(other);
    }
    return *this;
}

void PointList::takeFrom(PointList& other) noexcept {
    size_ = other.size_;
    capacity_ = other.capacity_;
    if (other.capacity_ == 1)
        inline_ = other.inline_;
    else if (other.capacity_ > 1)
        heap_ = other.heap_;
    other.size_ = 0;
    other.capacity_ = 0;
}

void PointList::create(std::uint32_t room) {
    release();
    if (room > 1) heap_ = new PlotPoint[room];
    capacity_ = room > 1 ? room : 1;
}

void PointList::release() noexcept {
    if (!isInline()) delete[] heap_;
    size_ = 0;
    capacity_ = 0;
}

void PointList::push_back(PlotPoint point) {
    if (capacity_ == 0) create();
    if (size_ == capacity_) {
        const std::uint32_t grown = capacity_ < 4 ? 4 : capacity_ * 2;
        PlotPoint* fresh = new PlotPoint[grown];
        std::memcpy(fresh, data(), size_ * sizeof(PlotPoint));
        if (!isInline()) delete[] heap_;
        heap_ = fresh;
        capacity_ = grown;
    }
    data()[size_++] = point;
}

// --- HpglCommand -----------------------------------------------------------

namespace {
char* duplicate(std::string_view head, std::string_view tail) {
    char* copy = new char[head.size() + tail.size() + 1];
    if (!head.empty()) std::memcpy(copy, head.data(), head.size());
    if (!tail.empty()) std::memcpy(copy + head.size(), tail.data(), tail.size());
    copy[head.size() + tail.size()] = '\0';
    return copy;
}
}  // namespace

HpglCommand::HpglCommand(HpglCommand&& other) noexcept
    : entry_(std::exchange(other.entry_, nullptr)), text_(std::exchange(other.text_, nullptr)) {}

HpglCommand& HpglCommand::operator=(HpglCommand&& other) noexcept {
    if (this != &other) {
        releaseText();
        entry_ = std::exchange(other.entry_, nullptr);
        text_ = std::exchange(other.text_, nullptr);
    }
    return *this;
}

HpglCommand::~HpglCommand() { releaseText(); }

void HpglCommand::releaseText() noexcept {
    delete[] text_;
    text_ = nullptr;
}

void HpglCommand::assign(MnemonicCode code, std::string_view parameters) {
    releaseText();
    entry_ = findMnemonic(code);
    if (entry_) {
        if (!parameters.empty()) text_ = duplicate({}, parameters);
    } else {
        const char name[2] = {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8)};
        text_ = duplicate(std::string_view(name, 2), parameters);
    }
}

void HpglCommand::assignShort(std::string_view instruction) {
    releaseText();
    entry_ = nullptr;
    text_ = duplicate({}, instruction);
}

void HpglCommand::clear() {
    entry_ = nullptr;
    releaseText();
}

void HpglCommand::writeParameters(OutputStream& out) const {
    if (text_) out.write(text_, std::strlen(text_));
}

// --- PlotCommand -----------------------------------------------------------

PlotCommand::PlotCommand(const char* instruction) {
    if (!instruction) return;
    MemoryInput in{std::string_view(instruction)};
    readPlotCommand(in, *this);
}

void PlotCommand::clear() {
    points_.release();
    HpglCommand::clear();
}

void PlotCommand::writeParameters(OutputStream& out) const {
    const MnemonicCode kind = code();
    if (kind == mnemonic::IN) return;
    if (holdsPoints(kind) && points_.exists()) {
        bool first = true;
        for (const PlotPoint& p : points_) {
            if (!first) out.put(',');
            first = false;
            out.writeInt(p.x);
            out.put(',');
            out.writeInt(p.y);
        }
        return;
    }
    HpglCommand::writeParameters(out);
}

void PlotCommand::parsePoints() {
    const MnemonicCode kind = code();
    if (holdsPoints(kind)) {
        parsePointList(text_ ? std::string_view(text_) : std::string_view(), points_);
        releaseText();
    } else if (kind == mnemonic::IN) {
        releaseText();
    }
}

void PlotCommand::assignDrawable(const MnemonicEntry& entry, std::string_view parameters) {
    // Applied to an empty command, as assign() is.
    entry_ = &entry;
    if (holdsPoints(entry.code)) parsePointList(parameters, points_);
}

}  // namespace kerfline
