#pragma once
// The three program-wide register lists that the chip description fills and the register panel
// reads: bit registers, 8-bit registers and 16-bit registers. Each is an append-only list of at
// most 512 records; a record beyond that is refused without being stored.
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace vek {

// Longest texts a record keeps; longer texts are cut when the record is filled.
constexpr int kRegisterNameMax = 15;
constexpr int kRegisterDescriptionMax = 160;
constexpr int kBitDescriptionMax = 250;

// A special register shown bit by bit.
struct BitRegisterEntry {
    struct BitSlot {
        QString name;        // at most 15 characters; "-" for a bit that does not exist
        QString description; // at most 250 characters
    };
    QString name;        // at most 15 characters
    QString description; // at most 160 characters
    uint16_t address = 0;
    std::array<BitSlot, 8> bits; // bit 7 first, down to bit 0
    int16_t value = 0;           // 0 when filled; the register panel keeps the shown value here
};

// An 8-bit register shown as a byte. Its name lives only in the register panel's byte grid.
struct ByteRegisterEntry {
    QString description; // at most 160 characters
    uint16_t address = 0;
    int16_t value = 0;
};

// A 16-bit register made of two bytes.
struct WordRegisterEntry {
    QString description; // at most 160 characters
    uint16_t highAddress = 0;
    uint16_t lowAddress = 0;
    uint16_t value = 0;
};

template <typename Entry>
class RegisterList {
public:
    static constexpr int kMaxRecords = 512;
    // Add results.
    static constexpr int kAdded = 0;
    static constexpr int kNoMemory = 1;
    static constexpr int kFull = 2;

    // Copies the record in. Returns kAdded, kNoMemory when no room could be had, or kFull (and
    // stores nothing) when the list already holds 512 records.
    int Add(const Entry &entry);
    int Count() const { return static_cast<int>(m_items.size()); }
    // The stored record, or nullptr when index is negative or not below Count().
    const Entry *Item(int index) const;
    Entry *Item(int index);
    void Clear();

protected:
    std::vector<Entry> m_items;
};

class TCRREGBitPtr : public RegisterList<BitRegisterEntry> {
public:
    // The register's address; -1 for an index outside the list.
    int32_t AddressOf(int index) const;
};

class TCRREGBytePtr : public RegisterList<ByteRegisterEntry> {
public:
    int32_t AddressOf(int index) const;
};

class TCRREGWordPtr : public RegisterList<WordRegisterEntry> {
public:
    // High-byte address x 256 + low-byte address; -1 for an index outside the list.
    int32_t AddressOf(int index) const;
};

extern template class RegisterList<BitRegisterEntry>;
extern template class RegisterList<ByteRegisterEntry>;
extern template class RegisterList<WordRegisterEntry>;

} // namespace vek
