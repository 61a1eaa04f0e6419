#pragma once
#include <QDialog>

#include "ui/options/options.h"

class QCheckBox;
class QSpinBox;

// "Option": the four user options. Shows what the settings store holds and
// stores the values on OK (text limits of 10 or less are not stored).
class COptionDlg : public QDialog {
  Q_OBJECT

 public:
  COptionDlg(COptions& options, QWidget* parent = nullptr);

  QCheckBox* AutoOpenBox() const { return autoOpen_; }
  QCheckBox* AutoRunBox() const { return autoRun_; }
  QSpinBox* TextLengthField() const { return textLength_; }
  QSpinBox* TextCutField() const { return textCut_; }

  void accept() override;

 private:
  COptions& options_;
  QCheckBox* autoOpen_;
  QCheckBox* autoRun_;
  QSpinBox* textLength_;
  QSpinBox* textCut_;
};
