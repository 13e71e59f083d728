#pragma once
// The window's own kinds of field: the two-digit form section, the unbounded
// year, the progress gauge and the template-folder field.

#include <QLineEdit>
#include <QSpinBox>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QToolButton;

namespace tarnfold::app {

// Two digit positions; unfilled positions read and show as "0".
class SectionField : public QLineEdit {
    Q_OBJECT
public:
    explicit SectionField(QWidget* parent = nullptr);
    // The section as two digits, also while the user is still typing.
    QString SectionText() const;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

// A whole number without bounds; a text that is no whole number is worth 0.
class YearField : public QSpinBox {
    Q_OBJECT
public:
    explicit YearField(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void fixup(QString& input) const override;
};

// A percentage (0 to 100) written across, navy bar on white; the text turns
// white where the bar lies under it.
class Gauge : public QWidget {
    Q_OBJECT
public:
    explicit Gauge(QWidget* parent = nullptr);
    void SetValue(int percent);
    int Value() const { return value_; }
    QString Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int value_ = 0;
};

// The template folder: a text that cannot be typed, a browse button (or
// Alt+Down) and files or folders dropped from the desktop. What the text
// becomes is the window logic's decision; the field only reports.
class DirectoryEdit : public QWidget {
    Q_OBJECT
public:
    explicit DirectoryEdit(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);

    // Asks for a folder, starting at the given one; no value when cancelled.
    // Tests answer here instead of a person.
    std::function<std::optional<QString>(QWidget* parent, const QString& start)> chooseFolder;

    QLineEdit* LineEdit() const { return edit_; }
    QToolButton* BrowseButton() const { return button_; }

signals:
    void browseRequested();
    void namesDropped(const QStringList& names);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QToolButton* button_;
};

// Qt's own folder dialog, which speaks Russian once its translation is loaded.
std::optional<QString> ChooseFolderWithDialog(QWidget* parent, const QString& start);

}  // namespace tarnfold::app
