#include "hpgl/command.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <new>
#include <utility>
#include <vector>

#include "hpgl/arena.h"
#include "hpgl/reader.h"
#include "hpgl/stream.h"

namespace kerfline {

// The table pointer and the word: a big job holds millions of records.
static_assert(sizeof(PlotCommand) == sizeof(HpglCommand));
static_assert(sizeof(void*) != 8 || sizeof(PlotCommand) <= 16);
static_assert(sizeof(void*) != 4 || sizeof(PlotCommand) <= 12);
// A heap block's address leaves the word's three low bits free too.
static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ >= 8);
static_assert(sizeof(PointBlock) == 6 && sizeof(TextBlock) == 2);

namespace {
// The text of an empty unknown instruction (a ";" alone): shared, never freed.
struct alignas(kBlockAlignment) EmptyText {
    TextBlock block{0, 0};
    char zero = '\0';
};
static_assert(offsetof(EmptyText, zero) == sizeof(TextBlock));
const EmptyText kNoCharacters;

// A text block in `arena`, or on the heap (owned) when it is null.
TextBlock* makeText(std::uint8_t row, const char* characters, std::size_t length, Arena* arena) {
    const std::size_t bytes = sizeof(TextBlock) + length + 1;
    void* memory = arena ? arena->allocate(bytes, kBlockAlignment) : ::operator new(bytes);
    auto* block = ::new (memory) TextBlock{row, static_cast<std::uint8_t>(arena == nullptr)};
    char* to = block->characters();
    if (length) std::memcpy(to, characters, length);
    to[length] = '\0';
    return block;
}
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

std::size_t PointBlock::length() const {
    const unsigned char* at = points();
    PlotPoint p;
    for (std::uint32_t i = count(); i > 0; --i) at = coding::getPoint(at, p);
    return static_cast<std::size_t>(at - points());
}

PointBlock* PointBlock::make(std::uint8_t row, std::uint32_t count, const unsigned char* coded,
                             std::size_t length, Arena* arena) {
    const std::size_t bytes = sizeof(PointBlock) + length;
    void* memory = arena ? arena->allocate(bytes, kBlockAlignment) : ::operator new(bytes);
    auto* block = ::new (memory) PointBlock{{}, row, static_cast<std::uint8_t>(arena == nullptr)};
    std::memcpy(block->countBytes, &count, sizeof count);
    if (coded && length) std::memcpy(block->points(), coded, length);
    return block;
}

// --- HpglCommand -----------------------------------------------------------

HpglCommand::HpglCommand(HpglCommand&& other) {
    setWord(other.word());
    other.setWord(0);
    // A command built here outlives any list it came from.
    if (!ownsStorage()) relocateStorage(nullptr);
}

HpglCommand& HpglCommand::operator=(HpglCommand&& other) noexcept {
    if (this != &other) {
        releaseStorage();
        setWord(other.word());
        other.setWord(0);
    }
    return *this;
}

HpglCommand::~HpglCommand() { releaseStorage(); }

void HpglCommand::releaseOwned() noexcept { ::operator delete(address()); }

void HpglCommand::relocateStorage(Arena* arena) {
    if (form() == kText && textBlock() != &kNoCharacters.block) {
        const char* characters = textBlock()->characters();
        TextBlock* copy = makeText(textBlock()->row, characters, std::strlen(characters), arena);
        releaseStorage();
        setAddress(copy, kText);
    } else if (form() == kPointBlock) {
        const PointBlock* block = pointBlock();
        PointBlock* copy =
            PointBlock::make(block->row, block->count(), block->points(), block->length(), arena);
        releaseStorage();
        setPointBlock(copy);
    }
}

void HpglCommand::setText(std::uint8_t row, const char* characters, std::size_t length,
                          Arena* arena) {
    releaseStorage();
    if (length == 0 && row != 0) {  // a known command without parameters
        setWord(std::uint64_t{row} << 8);
        return;
    }
    const TextBlock* block =
        length == 0 ? &kNoCharacters.block : makeText(row, characters, length, arena);
    setAddress(block, kText);
}

void HpglCommand::setRow(std::uint8_t row) {
    releaseStorage();
    setWord(std::uint64_t{row} << 8);
}

void HpglCommand::setPoints(std::uint8_t row, const PlotPoint* points, std::uint32_t count,
                            Arena* arena) {
    releaseStorage();
    if (count == 1 && setPacked(row, points[0])) return;
    if (count == 0) {
        setWord((std::uint64_t{row} << 8) | kNoPoints);
        return;
    }
    std::size_t length = 0;
    for (std::uint32_t i = 0; i < count; ++i) length += coding::pointBytes(points[i]);
    PointBlock* block = PointBlock::make(row, count, nullptr, length, arena);
    unsigned char* to = block->points();
    for (std::uint32_t i = 0; i < count; ++i) to = coding::putPoint(to, points[i]);
    setPointBlock(block);
}

PlotPoint* HpglCommand::changeBuffer(std::uint32_t count) {
    thread_local std::vector<PlotPoint> buffer;
    if (buffer.size() < count) buffer.resize(count);
    return buffer.data();
}

void HpglCommand::recode(const PlotPoint* points, std::uint32_t count) {
    PointBlock* block = pointBlock();
    std::size_t length = 0;
    for (std::uint32_t i = 0; i < count; ++i) length += coding::pointBytes(points[i]);
    if (length <= block->length()) {
        unsigned char* to = block->points();
        for (std::uint32_t i = 0; i < count; ++i) to = coding::putPoint(to, points[i]);
    } else {
        setPoints(block->row, points, count, nullptr);
    }
}

void HpglCommand::assign(MnemonicCode code, std::string_view parameters) {
    const std::uint8_t row = findMnemonicRow(code);
    if (row) {
        setText(row, parameters.data(), parameters.size(), nullptr);
        return;
    }
    // The unknown code's two characters, then the parameters.
    std::string text(2 + parameters.size(), '\0');
    text[0] = static_cast<char>(code & 0xFF);
    text[1] = static_cast<char>(code >> 8);
    if (!parameters.empty()) std::memcpy(text.data() + 2, parameters.data(), parameters.size());
    setText(0, text.data(), text.size(), nullptr);
}

void HpglCommand::assignShort(std::string_view instruction) {
    setText(0, instruction.data(), instruction.size(), nullptr);
}

void HpglCommand::clear() { releaseStorage(); }

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
    if (holdsPoints(kind) && form() != kText && form() != kRowOnly) {
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
        setPoints(row(), parsed.begin(), parsed.size(), nullptr);
    } else if (kind == mnemonic::IN) {
        setRow(row());
    }
}

}  // namespace kerfline
