#pragma once
#include <QDialog>
#include <QString>

class CNumberEdit;
class QDialogButtonBox;
class QWidget;

// The base of the property and command dialogs: a modal dialog that reopens
// with the size and place the user left it at, kept in the settings file under
// group "Geometry" by the dialog's key, and that tells the user why OK was
// refused.
class CGeometryDialog : public QDialog {
  Q_OBJECT

 public:
  // `settingsPath` is the settings file; empty keeps no geometry.
  CGeometryDialog(const QString& key, const QString& settingsPath, QWidget* parent);

  // The settings file the dialogs keep their geometry in, unless a test says
  // otherwise: the user's settings.
  static QString DefaultSettingsPath();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

  const QString& SettingsPath() const { return settingsPath_; }
  // A message box over the dialog; OK is refused, the dialog stays open.
  void Refuse(const QString& text);
  // Refuses a number field that does not hold a number of its range, naming
  // the field by its label and what it takes, and puts the cursor into it.
  void RefuseNumber(CNumberEdit* field, const QString& label);
  // "OK" (or `confirm`) and "Cancel", wired to accept and reject.
  QDialogButtonBox* Buttons(const QString& confirm = QString());

 private:
  QString key_;
  QString settingsPath_;
  bool restored_ = false;
};
