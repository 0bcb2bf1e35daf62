#include "app/SourceMapping.h"

#include "app/ColumnMapping.h"
#include "source/SourceOpening.h"

namespace velra {

LoadedSource LoadAndMap(const SessionContext& context, ImportRequest& request,
                        const LayoutFile& layout, bool useLearned, const std::string& learnedPath) {
  LoadedSource loaded;
  loaded.fields = ReadFieldList(context.ConnectionString, request.settings.table, layout);
  if (!loaded.fields.error.empty()) loaded.problems.push_back(loaded.fields.error);
  request.source.table = LoadSource(request.source, loaded.table, loaded.notes);
  const MappingRules rules{context,    request.settings.datenart, loaded.fields, layout, useLearned,
                           learnedPath};
  request.columns = MapColumns(loaded.table.ColumnNames(), rules, loaded.problems);
  return loaded;
}

}  // namespace velra
