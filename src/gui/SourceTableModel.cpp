#include "gui/SourceTableModel.h"

#include <QBrush>

#include "base/Text.h"
#include "gui/GuiTexts.h"
#include "gui/Look.h"

namespace velra::gui {

namespace {

// The colour of a grid style, lighter for cells so the values stay readable.
QColor StyleColour(const std::string& style, bool header) {
  for (const GridStyle& known : kGridStyles)
    if (style == known.name) {
      QColor colour = FromBgr(known.colour);
      const double keep = header ? 0.55 : 0.25;
      return QColor(static_cast<int>(colour.red() * keep + 255 * (1 - keep)),
                    static_cast<int>(colour.green() * keep + 255 * (1 - keep)),
                    static_cast<int>(colour.blue() * keep + 255 * (1 - keep)));
    }
  return {};
}

// A column named like a field of the layout is bound without a style of its own; the grid shows
// it like every other bound column.
QColor ColumnColour(const GridColumn& column, bool header) {
  const std::string& style = header ? column.HeaderStyle : column.CellStyle;
  if (style.empty() && !column.TargetField.empty())
    return StyleColour(header ? kHeaderBound : kCellsBound, header);
  return StyleColour(style, header);
}

}  // namespace

SourceTableModel::SourceTableModel(ImportSession& session, QObject* parent)
    : QAbstractTableModel(parent), session_(session), converter_(session.Context.Regional) {}

void SourceTableModel::Suspend() {
  beginResetModel();
  suspended_ = true;
  endResetModel();
}

void SourceTableModel::Reload() {
  beginResetModel();
  suspended_ = false;
  converter_ = ValueConverter(session_.Context.Regional);
  endResetModel();
}

void SourceTableModel::MappingChanged() {
  if (columnCount() == 0) return;
  emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  if (rowCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

int SourceTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || suspended_ ? 0 : static_cast<int>(session_.SourceData.RowCount());
}

int SourceTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || suspended_) return 0;
  return static_cast<int>(
      std::min(session_.SourceData.ColumnCount(), session_.Controls.columns.size()));
}

QVariant SourceTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const size_t column = static_cast<size_t>(index.column()) + 1,
               row = static_cast<size_t>(index.row()) + 1;
  if (role == Qt::DisplayRole || role == Qt::EditRole)
    return QString::fromStdString(
        converter_.ToText(session_.SourceData.Get(column, row)).value_or(std::string()));
  if (role == Qt::BackgroundRole) {
    QColor colour = ColumnColour(session_.Controls.columns[column - 1], false);
    if (colour.isValid()) return QBrush(colour);
  }
  return {};
}

bool SourceTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const size_t row = static_cast<size_t>(index.row()) + 1;
  std::vector<Value> values = session_.SourceData.ReadRow(row);
  values[static_cast<size_t>(index.column())] = Value(value.toString().toStdString());
  session_.SourceData.UpdateRow(row, values);
  emit dataChanged(index, index);
  return true;
}

QVariant SourceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) {
    if (role == Qt::DisplayRole) return section + 1;
    return {};
  }
  if (section < 0 || section >= static_cast<int>(session_.Controls.columns.size())) return {};
  const GridColumn& column = session_.Controls.columns[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return QString::fromStdString(column.FieldCaption);
  if (role == Qt::ToolTipRole)
    return QString::fromStdString(
        column.TargetField.empty()
            ? Fill(texts::kColumnUnassignedTip, {column.SourceName})
            : Fill(texts::kColumnAssignedTip, {column.SourceName, column.TargetField}));
  if (role == Qt::BackgroundRole) {
    QColor colour = ColumnColour(column, true);
    if (colour.isValid()) return QBrush(colour);
  }
  return {};
}

Qt::ItemFlags SourceTableModel::flags(const QModelIndex& index) const {
  return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

bool SourceTableModel::insertRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || count <= 0 || session_.SourceData.ColumnCount() == 0) return false;
  // New rows go to the end, as the grid's row operations add them.
  const int first = rowCount();
  beginInsertRows(QModelIndex(), first, first + count - 1);
  for (int i = 0; i < count; ++i) session_.SourceData.AddRow({});
  endInsertRows();
  (void)row;
  return true;
}

bool SourceTableModel::removeRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount()) return false;
  beginRemoveRows(QModelIndex(), row, row + count - 1);
  for (int i = 0; i < count; ++i) session_.SourceData.DeleteRow(static_cast<size_t>(row) + 1);
  endRemoveRows();
  return true;
}

}  // namespace velra::gui
