#pragma once
// The three program-wide register lists that the chip description fills and the register panel
// reads: bit registers, byte registers and word registers. Each is an append-only list of at
// most 512 fixed-size records, kept in two chunks of 256 that are allocated as the list grows.
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

namespace vek {

// Longest texts a record holds; longer texts are cut when the record is stored.
constexpr int kRegNameMax = 15;
constexpr int kRegDescriptionMax = 160;
constexpr int kBitDescriptionMax = 250;

// One bit of a bit register: its name ("-" for a bit that does not exist) and its help text.
struct BitSlot {
    QString name;        // at most 15 characters
    QString description; // at most 250 characters
};

// A special register shown bit by bit.
struct BitRegisterEntry {
    QString name;        // at most 15 characters
    QString description; // at most 160 characters
    uint16_t address = 0;
    std::array<BitSlot, 8> bits; // bit 7 first, down to bit 0
    int16_t reserved = 0;        // always 0
};

// An 8-bit register shown as a byte.
struct ByteRegisterEntry {
    QString description; // at most 160 characters
    uint16_t address = 0;
    int16_t reserved = 0; // always 0
};

// A 16-bit register made of two bytes.
struct WordRegisterEntry {
    QString description; // at most 160 characters
    uint16_t highAddress = 0;
    uint16_t lowAddress = 0;
    uint16_t reserved = 0; // always 0
};

// The chip address a record describes: the register's address, or for a word register the two
// byte addresses packed as high x 256 + low.
int32_t RecordAddress(const BitRegisterEntry &r);
int32_t RecordAddress(const ByteRegisterEntry &r);
int32_t RecordAddress(const WordRegisterEntry &r);

// Cuts the texts of a record to the lengths it can hold.
void CutTexts(BitRegisterEntry &r);
void CutTexts(ByteRegisterEntry &r);
void CutTexts(WordRegisterEntry &r);

template <typename Record>
class RegisterList {
public:
    static constexpr int kChunk = 256;
    static constexpr int kMaxRecords = 512;

    // Results of Add.
    static constexpr int kAdded = 0;
    static constexpr int kNoMemory = 1;
    static constexpr int kFull = 2;

    RegisterList() = default;
    RegisterList(const RegisterList &) = delete;
    RegisterList &operator=(const RegisterList &) = delete;
    ~RegisterList() { Clear(); }

    // Copies the record in (texts cut to their maxima). 0 on success, 1 when a chunk cannot be
    // allocated, 2 without storing when the list already holds 512 records.
    int Add(const Record &record)
    {
        if (m_count >= kMaxRecords)
            return kFull;
        const int chunk = m_count / kChunk;
        if (!m_chunks[chunk]) {
            m_chunks[chunk].reset(new (std::nothrow) std::array<Record, kChunk>());
            if (!m_chunks[chunk])
                return kNoMemory;
        }
        Record &slot = (*m_chunks[chunk])[m_count % kChunk];
        slot = record;
        CutTexts(slot);
        ++m_count;
        return kAdded;
    }

    int Count() const { return m_count; }

    // The stored record, or nullptr when the index is negative or not below the count.
    const Record *Item(int index) const
    {
        if (index < 0 || index >= m_count)
            return nullptr;
        return &(*m_chunks[index / kChunk])[index % kChunk];
    }
    Record *Item(int index)
    {
        return const_cast<Record *>(static_cast<const RegisterList *>(this)->Item(index));
    }
    const Record *At(int index) const { return Item(index); }
    Record *At(int index) { return Item(index); }

    // The chip address record index describes, or -1 when there is no such record.
    int32_t AddressOf(int index) const
    {
        const Record *r = Item(index);
        return r ? RecordAddress(*r) : -1;
    }

    // Frees both chunks and empties the list.
    void Clear()
    {
        m_chunks[0].reset();
        m_chunks[1].reset();
        m_count = 0;
    }

private:
    std::array<std::unique_ptr<std::array<Record, kChunk>>, 2> m_chunks;
    int m_count = 0;
};

class TCRREGBitPtr final : public RegisterList<BitRegisterEntry> {};
class TCRREGBytePtr final : public RegisterList<ByteRegisterEntry> {};
class TCRREGWordPtr final : public RegisterList<WordRegisterEntry> {};

} // namespace vek
