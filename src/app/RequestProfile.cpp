#include "app/RequestProfile.h"

namespace velra {

ImportProfile ProfileOf(const ImportRequest& request) {
  const SourceRequest& source = request.source;
  ImportProfile profile;
  profile.datenart = request.settings.datenart;
  profile.kindName = Describe(profile.datenart).listText;
  profile.format = InfoOf(source.format).code;
  profile.table = source.table;
  profile.separator = source.text.separator;
  profile.qualifier = source.text.qualifier;
  profile.lineBreakToken = source.text.lineBreakToken;
  profile.firstRowHasNames = source.text.firstRowHasNames;
  profile.encoding = source.text.encoding;
  profile.settings = request.settings;
  profile.settings.table.clear();
  profile.settings.sourceFolder.clear();
  profile.deleteAll = request.deleteFirst;
  for (const GridColumn& column : request.columns)
    if (!column.TargetField.empty())
      profile.columns.push_back({column.SourceName, column.TargetField});
  return profile;
}

ImportSettings SettingsOfProfile(const ImportProfile& profile) {
  const ImportSettings defaults = DefaultSettings(profile.datenart);
  ImportSettings settings = profile.settings;
  settings.datenart = profile.datenart;
  settings.table = defaults.table;
  settings.sourceFolder.clear();
  if (!Describe(profile.datenart).autoNumber) settings.autoNumber = defaults.autoNumber;
  if (!settings.defaultStorage) settings.storage.clear();
  return settings;
}

}  // namespace velra
