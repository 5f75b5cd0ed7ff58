#pragma once

#include "Util/IProgress.h"

#include <QPointer>
#include <QProgressDialog>

namespace Ui {

// Shows how far the opening of a document has come: a modal progress box
// that appears once a load takes longer than a moment (small documents open
// without it) and goes when the load is over. The load runs on the interface
// thread; each step of the bar lets the box repaint.
class LoadProgressDialog : public Util::IProgress
{
public:
    static constexpr int showAfterMs = 500;
    static constexpr int barRange = 1000;

    explicit LoadProgressDialog(const QString &fileName);
    ~LoadProgressDialog() override;

    void setProgress(unsigned long long done, unsigned long long total) override;

    QProgressDialog *dialog() const { return box.data(); }

private:
    QPointer<QProgressDialog> box;
    int shown = -1;
};

} // namespace Ui
