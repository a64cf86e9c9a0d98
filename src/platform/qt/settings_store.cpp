#include "platform/qt/settings_store.hpp"

#include <QSettings>
#include <QVariant>

namespace varnok::qt {

namespace {

const char* folderKey(FileKind kind) {
  switch (kind) {
    case FileKind::Data:
      return "folders/data";
    case FileKind::GroupList:
      return "folders/groupList";
    case FileKind::SymbolTable:
      return "folders/symbolTable";
    case FileKind::Reference:
      return "folders/reference";
    case FileKind::Results:
      return "folders/results";
    case FileKind::Picture:
      return "folders/pictures";
  }
  return "folders/other";
}

}  // namespace

QStringList withRecentFile(QStringList list, const QString& path, int max) {
  list.removeAll(path);
  list.prepend(path);
  while (list.size() > max) list.removeLast();
  return list;
}

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Varnok"), QStringLiteral("Varnok"))) {}

SettingsStore::SettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::lastFolder(FileKind kind) const {
  return settings_->value(QLatin1String(folderKey(kind))).toString();
}

void SettingsStore::setLastFolder(FileKind kind, const QString& folder) {
  if (folder.isEmpty()) return;
  settings_->setValue(QLatin1String(folderKey(kind)), folder);
}

QStringList SettingsStore::recentFiles() const {
  QStringList list = settings_->value(QStringLiteral("recentFiles")).toStringList();
  list.removeAll(QString());
  list.removeDuplicates();
  while (list.size() > kMaxRecentFiles) list.removeLast();
  return list;
}

void SettingsStore::addRecentFile(const QString& path) {
  if (path.isEmpty()) return;
  settings_->setValue(QStringLiteral("recentFiles"),
                      withRecentFile(recentFiles(), path, kMaxRecentFiles));
}

void SettingsStore::removeRecentFile(const QString& path) {
  QStringList list = recentFiles();
  list.removeAll(path);
  settings_->setValue(QStringLiteral("recentFiles"), list);
}

QByteArray SettingsStore::windowGeometry() const {
  return settings_->value(QStringLiteral("window/geometry")).toByteArray();
}

QByteArray SettingsStore::windowState() const {
  return settings_->value(QStringLiteral("window/state")).toByteArray();
}

void SettingsStore::setWindow(const QByteArray& geometry, const QByteArray& state) {
  settings_->setValue(QStringLiteral("window/geometry"), geometry);
  settings_->setValue(QStringLiteral("window/state"), state);
}

QString SettingsStore::permutations() const {
  return settings_->value(QStringLiteral("statistics/permutations")).toString();
}

void SettingsStore::setPermutations(const QString& text) {
  settings_->setValue(QStringLiteral("statistics/permutations"), text);
}

QString SettingsStore::slidingChoices() const {
  return settings_->value(QStringLiteral("semilandmarks/choices")).toString();
}

void SettingsStore::setSlidingChoices(const QString& flags) {
  settings_->setValue(QStringLiteral("semilandmarks/choices"), flags);
}

QString SettingsStore::displayChoice(const QString& setting) const {
  return settings_->value(QStringLiteral("display/") + setting).toString();
}

void SettingsStore::setDisplayChoice(const QString& setting, const QString& callback) {
  settings_->setValue(QStringLiteral("display/") + setting, callback);
}

std::optional<bool> SettingsStore::blackAndWhite() const {
  const QVariant v = settings_->value(QStringLiteral("display/blackAndWhite"));
  if (!v.isValid()) return std::nullopt;
  return v.toBool();
}

void SettingsStore::setBlackAndWhite(bool on) {
  settings_->setValue(QStringLiteral("display/blackAndWhite"), on);
}

QString SettingsStore::location() const {
  return settings_->fileName();
}

void SettingsStore::sync() {
  settings_->sync();
}

}  // namespace varnok::qt
