// Table rows and cells: the row definition (\trowd, \cellx, merge marks) goes to the builder,
// which collects the table and inserts it once it ends.
#include "reader_state.h"

namespace kt::rtf::detail {

void Reader::rowWord(const ControlWord& w, const Token& t) {
    const int param = t.param;
    const bool on = !t.hasParam || param != 0;
    const bool body = m_state.dest == Dest::Body;
    RowDefinition& row = m_row;
    switch (w.word) {
    case Cw::InTbl:
        m_state.para.inTable = on;
        return;
    case Cw::Itap:
        m_state.para.itap = param;
        m_state.para.inTable = param > 0;
        return;
    case Cw::Trowd:
        row.cells = 0;
        row.cellFlags = 0;
        row.merges.clear();
        row.edges.clear();
        m_builder.setRowDefinition(0, {}, {});
        return;
    case Cw::Cellx:
        if (row.cellFlags)
            row.merges.emplace_back(row.cells, row.cellFlags);
        row.cellFlags = 0;
        if (row.cells < 63) {
            ++row.cells;
            row.edges.push_back(param);
        }
        m_builder.setRowDefinition(row.cells, row.merges, row.edges);
        return;
    case Cw::CellMerge:
        row.cellFlags |= w.value;
        return;
    case Cw::Cell:
        if (body) {
            closeSurrogate();
            m_builder.endCell(paragraphProps(), charFormat());
        }
        return;
    case Cw::Row:
        if (body)
            m_builder.endRow();
        return;
    default:
        return;
    }
}

} // namespace kt::rtf::detail
