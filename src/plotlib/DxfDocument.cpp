#include "plotlib/DxfDocument.h"

CDxfDocument::CDxfDocument() { LayerIndex("0"); }

int CDxfDocument::LayerIndex(const std::string& name)
{
    const auto it = m_layerIndex.find(name);
    if (it != m_layerIndex.end())
        return it->second;
    const int index = static_cast<int>(m_layers.size());
    m_layers.push_back(name);
    m_hidden.push_back(false);
    m_layerIndex.emplace(name, index);
    return index;
}

void CDxfDocument::SetLayerHidden(int index, bool hidden)
{
    if (index >= 0 && index < LayerCount())
        m_hidden[static_cast<size_t>(index)] = hidden;
}

bool CDxfDocument::LayerHidden(int index) const
{
    return index >= 0 && index < LayerCount() && m_hidden[static_cast<size_t>(index)];
}

const DxfBlock* CDxfDocument::FindBlock(const std::string& name) const
{
    const auto it = m_blockIndex.find(name);
    return it == m_blockIndex.end() ? nullptr : &m_blocks[it->second];
}

bool CDxfDocument::AddBlock(DxfBlock block)
{
    if (block.name.empty() || m_blockIndex.count(block.name))
        return false;
    m_blockIndex.emplace(block.name, m_blocks.size());
    m_blocks.push_back(std::move(block));
    return true;
}

size_t CDxfDocument::EntityCount() const
{
    size_t n = entities.size();
    for (const DxfBlock& b : m_blocks)
        n += b.entities.size();
    return n;
}
