// Table rows and cells: the row definition (\trowd, \cellx, merge marks) goes to the builder,
// which collects the table and inserts it once it ends.
#include "reader_state.h"

namespace kt::rtf::detail {

void Reader::rowWord(const ControlWord& w, const Token& t) {
    const int param = t.param;
    const bool on = !t.hasParam || param != 0;
    const bool body = st_.dest == Dest::Body;
    RowDefinition& row = row_;
    switch (w.word) {
    case Cw::InTbl:
        st_.para.inTable = on;
        return;
    case Cw::Itap:
        st_.para.itap = param;
        st_.para.inTable = param > 0;
        return;
    case Cw::Trowd:
        row.cells = 0;
        row.cellFlags = 0;
        row.merges.clear();
        row.edges.clear();
        builder_.setRowDefinition(0, {}, {});
        return;
    case Cw::Cellx:
        if (row.cellFlags)
            row.merges.emplace_back(row.cells, row.cellFlags);
        row.cellFlags = 0;
        if (row.cells < 63) {
            ++row.cells;
            row.edges.push_back(param);
        }
        builder_.setRowDefinition(row.cells, row.merges, row.edges);
        return;
    case Cw::CellMerge:
        row.cellFlags |= w.value;
        return;
    case Cw::Cell:
        if (body) {
            closeSurrogate();
            builder_.endCell(paragraphProps(), charFormat());
        }
        return;
    case Cw::Row:
        if (body)
            builder_.endRow();
        return;
    default:
        return;
    }
}

} // namespace kt::rtf::detail
