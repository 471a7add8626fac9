#pragma once

#include <QSize>
#include <QTabWidget>

namespace ui {

// Pages under tabs that all have the same size, whatever their captions.
class PageControl : public QTabWidget {
    Q_OBJECT
    Q_PROPERTY(QSize tabSize READ tabSize WRITE setTabSize)
public:
    explicit PageControl(QWidget* parent = nullptr);

    QSize tabSize() const;
    void setTabSize(QSize size);
};

} // namespace ui
