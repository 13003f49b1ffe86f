#pragma once

#include "picture/form.h"

namespace lanxi {

// The batch window: a list of BMP and JPEG files re-encoded in one run.
class Form2 : public Form {
    Q_OBJECT
  public:
    explicit Form2(QObject* parent = nullptr);

  protected:
    void BuildControls(QWidget* window) override;
};

}  // namespace lanxi
