#include "app/qt_settings_store.h"

namespace brelvano {

namespace {
QString Key(const std::string& key) { return QString::fromStdString(key); }
}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("brelvano"),
                                            QStringLiteral("brelvano"))) {}

QtSettingsStore::QtSettingsStore(const QString& fileName)
    : settings_(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

std::optional<int64_t> QtSettingsStore::integer(const std::string& key) const {
  const QVariant value = settings_->value(Key(key));
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!value.isValid() || !ok) return std::nullopt;
  return number;
}

std::optional<std::string> QtSettingsStore::text(const std::string& key) const {
  const QVariant value = settings_->value(Key(key));
  if (!value.isValid()) return std::nullopt;
  // An INI file keeps a one-element list as a plain string; a list is no text.
  if (value.metaType().id() == QMetaType::QStringList) return std::nullopt;
  return value.toString().toStdString();
}

std::optional<std::vector<std::string>> QtSettingsStore::texts(const std::string& key) const {
  const QVariant value = settings_->value(Key(key));
  if (!value.isValid()) return std::nullopt;
  std::vector<std::string> result;
  for (const QString& item : value.toStringList()) result.push_back(item.toStdString());
  return result;
}

void QtSettingsStore::setInteger(const std::string& key, int64_t value) {
  settings_->setValue(Key(key), static_cast<qlonglong>(value));
}

void QtSettingsStore::setText(const std::string& key, const std::string& value) {
  settings_->setValue(Key(key), QString::fromStdString(value));
}

void QtSettingsStore::setTexts(const std::string& key, const std::vector<std::string>& values) {
  QStringList list;
  for (const std::string& item : values) list << QString::fromStdString(item);
  settings_->setValue(Key(key), list);
}

bool QtSettingsStore::synchronize() {
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

}  // namespace brelvano
