#include "MdxFileImpl.h"

#include <memory>

namespace qal::dbase::mdx {

namespace {

class CursorImpl final : public MdxFile::Cursor
{
public:
    CursorImpl(const MdxFileImpl &index, int tag) : m_index(index), m_tag(index.checkedTag(tag)) {}

    bool first() override { return edge(false); }
    bool last() override { return edge(true); }
    bool next() override { return step(true); }
    bool prior() override { return step(false); }
    bool seek(QByteArrayView key) override
    {
        m_moves = 0;
        m_valid = m_index.seekPath(m_tag, m_path, key);
        return m_valid;
    }
    bool find(QByteArrayView key, std::uint32_t recno) override
    {
        m_moves = 0;
        m_valid = m_index.findPath(m_tag, m_path, key, recno);
        return m_valid;
    }
    std::uint32_t recno() const override
    {
        return m_valid ? m_path.back().node.pointers[size_t(m_path.back().index)] : 0;
    }
    QByteArray key() const override { return m_valid ? m_path.back().node.keys[size_t(m_path.back().index)] : QByteArray(); }
    void upcoming(bool forward, std::size_t most, std::vector<std::uint32_t> &out) const override
    {
        out.clear();
        if (!m_valid)
            return;
        const Step &leaf = m_path.back();
        for (int i = leaf.index; i >= 0 && i < leaf.node.count() && out.size() < most; i += forward ? 1 : -1)
            out.push_back(leaf.node.pointers[size_t(i)]);
    }

private:
    bool edge(bool last)
    {
        m_moves = 0;
        m_path.clear();
        m_index.descendEdge(m_tag, m_path, m_index.rootOf(m_tag), last);
        m_valid = m_index.onEntry(m_path) || m_index.moveLeaf(m_tag, m_path, !last);
        return m_valid;
    }
    bool step(bool forward)
    {
        if (!m_valid)
            return false;
        Step &leaf = m_path.back();
        const int to = leaf.index + (forward ? 1 : -1);
        if (to >= 0 && to < leaf.node.count()) {
            leaf.index = to;
            return true;
        }
        if (++m_moves > m_index.blockCount())
            m_index.fail(QStringLiteral("la etiqueta %1 tiene un ciclo").arg(m_tag.info.spec.name));
        return m_index.moveLeaf(m_tag, m_path, forward);
    }

    const MdxFileImpl &m_index;
    const OpenTag &m_tag;
    Path m_path;
    bool m_valid = false;
    std::uint64_t m_moves = 0;
};

} // namespace

std::unique_ptr<MdxFile::Cursor> MdxFileImpl::cursor(int tag) const
{
    requireOpen();
    return std::make_unique<CursorImpl>(*this, tag);
}

} // namespace qal::dbase::mdx
