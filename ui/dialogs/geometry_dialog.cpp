#include "ui/dialogs/geometry_dialog.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include "runtime/port_settings.h"
#include "ui/dialogs/dialog_fields.h"
#include "ui/options/plain_ini.h"

namespace {

constexpr const char* kGeometryGroup = "Geometry";
constexpr const char* kMessageTitle = "Telvane";

}  // namespace

CGeometryDialog::CGeometryDialog(const QString& key, const QString& settingsPath, QWidget* parent)
    : QDialog(parent), key_(key), settingsPath_(settingsPath) {
  setObjectName(key);
}

QString CGeometryDialog::DefaultSettingsPath() {
  return QString::fromStdString(UserSettingsPath());
}

void CGeometryDialog::showEvent(QShowEvent* event) {
  if (!restored_ && !settingsPath_.isEmpty()) {
    restored_ = true;
    QSettings settings(settingsPath_, PlainIniFormat());
    const QByteArray geometry = QByteArray::fromBase64(
        settings.value(QString(kGeometryGroup) + "/" + key_).toString().toLatin1());
    if (!geometry.isEmpty()) restoreGeometry(geometry);
  }
  QDialog::showEvent(event);
}

void CGeometryDialog::done(int result) {
  if (!settingsPath_.isEmpty() && isVisible()) {
    // The settings file holds text: the geometry goes in as base64.
    QSettings settings(settingsPath_, PlainIniFormat());
    settings.setValue(QString(kGeometryGroup) + "/" + key_,
                      QString::fromLatin1(saveGeometry().toBase64()));
  }
  QDialog::done(result);
}

void CGeometryDialog::Refuse(const QString& text) {
  QMessageBox::warning(this, kMessageTitle, text, QMessageBox::Ok);
}

void CGeometryDialog::RefuseNumber(CNumberEdit* field, const QString& label) {
  Refuse(QString("%1: enter %2").arg(label, field->Expectation()));
  field->setFocus();
}

QDialogButtonBox* CGeometryDialog::Buttons(const QString& confirm) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  if (!confirm.isEmpty()) buttons->button(QDialogButtonBox::Ok)->setText(confirm);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  return buttons;
}
