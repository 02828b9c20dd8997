#include "link/RegisterLists.h"

#include <new>

namespace vek {

template <typename Entry>
int RegisterList<Entry>::Add(const Entry &entry)
{
    if (Count() >= kMaxRecords)
        return kFull;
    try {
        // Room for a whole chunk of 256 records at a time, as the list grows.
        if (m_items.size() == m_items.capacity())
            m_items.reserve(m_items.size() + 256);
        m_items.push_back(entry);
    } catch (const std::bad_alloc &) {
        return kNoMemory;
    }
    return kAdded;
}

template <typename Entry>
const Entry *RegisterList<Entry>::Item(int index) const
{
    return (index >= 0 && index < Count()) ? &m_items[static_cast<size_t>(index)] : nullptr;
}

template <typename Entry>
Entry *RegisterList<Entry>::Item(int index)
{
    return (index >= 0 && index < Count()) ? &m_items[static_cast<size_t>(index)] : nullptr;
}

template <typename Entry>
void RegisterList<Entry>::Clear()
{
    m_items.clear();
    m_items.shrink_to_fit();
}

template class RegisterList<BitRegisterEntry>;
template class RegisterList<ByteRegisterEntry>;
template class RegisterList<WordRegisterEntry>;

int32_t TCRREGBitPtr::AddressOf(int index) const
{
    const BitRegisterEntry *e = Item(index);
    return e ? e->address : -1;
}

int32_t TCRREGBytePtr::AddressOf(int index) const
{
    const ByteRegisterEntry *e = Item(index);
    return e ? e->address : -1;
}

int32_t TCRREGWordPtr::AddressOf(int index) const
{
    const WordRegisterEntry *e = Item(index);
    return e ? static_cast<int32_t>(e->highAddress) * 256 + e->lowAddress : -1;
}

} // namespace vek
