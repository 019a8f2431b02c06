#include "hpgl/command.h"

#include <cstring>
#include <new>
#include <utility>

#include "hpgl/arena.h"
#include "hpgl/reader.h"
#include "hpgl/stream.h"

namespace kerfline {

// A 64-bit record: the table pointer, a pointer or a point, and four bytes;
// a 32-bit one: the same in 16 bytes. A big job holds millions of them.
static_assert(sizeof(PlotCommand) == sizeof(HpglCommand));
static_assert(sizeof(void*) != 8 || sizeof(PlotCommand) <= 24);
static_assert(sizeof(void*) != 4 || sizeof(PlotCommand) <= 16);

namespace {
// The text of an empty unknown instruction (a ";" alone): shared, never freed.
constexpr char kNoCharacters[1] = {'\0'};
}  // namespace

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

// --- PointBlock --------------------------------------------------------------

PointBlock* PointBlock::make(const PlotPoint* points, std::uint32_t count, Arena* arena) {
    const std::size_t bytes = bytesFor(count);
    void* memory = arena ? arena->allocate(bytes, alignof(PointBlock)) : ::operator new(bytes);
    auto* block = ::new (memory) PointBlock{count};
    PlotPoint* to = block->points();
    for (std::uint32_t i = 0; i < count; ++i) ::new (to + i) PlotPoint(points[i]);
    return block;
}

// --- HpglCommand -----------------------------------------------------------

HpglCommand::HpglCommand(HpglCommand&& other)
    : data_(other.data_),
      code_(other.code_),
      row_(other.row_),
      form_(other.form_),
      owned_(other.owned_) {
    other.form_ = kNothing;
    other.owned_ = 0;
    other.row_ = 0;
    other.code_ = 0;
    // A command built here outlives any list it came from.
    if (!owned_) relocateStorage(nullptr);
}

HpglCommand& HpglCommand::operator=(HpglCommand&& other) noexcept {
    if (this != &other) {
        releaseStorage();
        data_ = other.data_;
        code_ = other.code_;
        row_ = other.row_;
        form_ = other.form_;
        owned_ = other.owned_;
        other.form_ = kNothing;
        other.owned_ = 0;
        other.row_ = 0;
        other.code_ = 0;
    }
    return *this;
}

HpglCommand::~HpglCommand() { releaseStorage(); }

void HpglCommand::releaseOwned() noexcept {
    if (form_ == kText)
        delete[] data_.text;
    else if (form_ == kPointBlock)
        ::operator delete(data_.block);
    owned_ = 0;
}

void HpglCommand::relocateStorage(Arena* arena) {
    if (form_ == kText && data_.text != kNoCharacters) {
        const std::size_t length = std::strlen(data_.text);
        char* copy = arena ? static_cast<char*>(arena->allocate(length + 1)) : new char[length + 1];
        std::memcpy(copy, data_.text, length + 1);
        releaseStorage();
        data_.text = copy;
        form_ = kText;
        owned_ = arena == nullptr;
    } else if (form_ == kPointBlock) {
        PointBlock* copy = PointBlock::make(data_.block->points(), data_.block->count, arena);
        releaseStorage();
        data_.block = copy;
        form_ = kPointBlock;
        owned_ = arena == nullptr;
    }
}

MutablePointSpan HpglCommand::mutablePoints() {
    switch (form_) {
        case kOnePoint:
            return MutablePointSpan(&data_.point, 1);
        case kPointBlock:
            return MutablePointSpan(data_.block->points(), data_.block->count);
        default:
            return MutablePointSpan();
    }
}

void HpglCommand::setText(std::uint8_t row, const char* characters, std::size_t length,
                          Arena* arena) {
    releaseStorage();
    setRowOnly(row);
    if (length == 0 && row != 0) return;  // a known command without parameters
    if (length == 0) {
        data_.text = kNoCharacters;
    } else {
        char* copy = arena ? static_cast<char*>(arena->allocate(length + 1)) : new char[length + 1];
        std::memcpy(copy, characters, length);
        copy[length] = '\0';
        data_.text = copy;
        owned_ = arena == nullptr;
    }
    form_ = kText;
}

void HpglCommand::setRow(std::uint8_t row) {
    releaseStorage();
    setRowOnly(row);
}

void HpglCommand::setPointBlock(const PlotPoint* points, std::uint32_t count, Arena* arena) {
    data_.block = PointBlock::make(points, count, arena);
    form_ = kPointBlock;
    owned_ = arena == nullptr;
}

void HpglCommand::assign(MnemonicCode code, std::string_view parameters) {
    const std::uint8_t row = findMnemonicRow(code);
    if (row) {
        setText(row, parameters.data(), parameters.size(), nullptr);
        return;
    }
    // The unknown code's two characters, then the parameters.
    const std::size_t length = 2 + parameters.size();
    char* copy = new char[length + 1];
    copy[0] = static_cast<char>(code & 0xFF);
    copy[1] = static_cast<char>(code >> 8);
    if (!parameters.empty()) std::memcpy(copy + 2, parameters.data(), parameters.size());
    copy[length] = '\0';
    releaseStorage();
    setRowOnly(0);
    data_.text = copy;
    form_ = kText;
    owned_ = 1;
}

void HpglCommand::assignShort(std::string_view instruction) {
    setText(0, instruction.data(), instruction.size(), nullptr);
}

void HpglCommand::clear() {
    releaseStorage();
    setRowOnly(0);
}

void HpglCommand::writeParameters(OutputStream& out) const {
    if (const char* t = text()) out.write(t, std::strlen(t));
}

// --- PlotCommand -----------------------------------------------------------

PlotCommand::PlotCommand(const char* instruction) {
    if (!instruction) return;
    MemoryInput in{std::string_view(instruction)};
    readPlotCommand(in, *this);
}

void PlotCommand::clear() { HpglCommand::clear(); }

void PlotCommand::writeParameters(OutputStream& out) const {
    const MnemonicCode kind = code();
    if (kind == mnemonic::IN) return;
    if (holdsPoints(kind) && form_ != kText && form_ != kNothing) {
        bool first = true;
        for (const PlotPoint& p : points()) {
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
        const char* t = text();
        PointList parsed;
        parsePointList(t ? std::string_view(t) : std::string_view(), parsed);
        setPoints(row_, parsed.begin(), parsed.size(), nullptr);
    } else if (kind == mnemonic::IN) {
        setRow(row_);
    }
}

}  // namespace kerfline
