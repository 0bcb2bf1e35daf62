#pragma once
// The mapping grid's model: the loaded source table, with the columns' captions and the colours
// of their mapping styles. Cells can be corrected in place, rows added and deleted.

#include <QAbstractTableModel>

#include "import/ValueConversion.h"
#include "shell/ImportSession.h"

namespace velra::gui {

class SourceTableModel : public QAbstractTableModel {
 public:
  explicit SourceTableModel(ImportSession& session, QObject* parent = nullptr);

  // While a worker thread loads into or imports from the table, the grid shows nothing of it.
  void Suspend();
  // After a load: everything anew.
  void Reload();
  // After a change of the mapping: captions and colours.
  void MappingChanged();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
  bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

 private:
  ImportSession& session_;
  ValueConverter converter_;
  bool suspended_ = false;
};

}  // namespace velra::gui
