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
    void SetSectionText(const QString& text);

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

// 0 to 100 with its percentage written across, navy bar on white; the text
// turns white where the bar lies under it.
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

// A folder chosen with the browse button or dropped from the desktop; the
// text cannot be typed.
class DirectoryEdit : public QWidget {
    Q_OBJECT
public:
    explicit DirectoryEdit(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    QString InitialFolder() const { return initialFolder_; }
    void SetInitialFolder(const QString& folder) { initialFolder_ = folder; }

    // Opens the folder dialog at the start folder; nothing happens on cancel.
    void Browse();
    // What a drop of these names does: only the first counts.
    void DropNames(const QStringList& names);

    // Asks for a folder, starting at the given one; no value when cancelled.
    // Tests answer here instead of a person.
    std::function<std::optional<QString>(QWidget* parent, const QString& start)> chooseFolder;

    QLineEdit* LineEdit() const { return edit_; }
    QToolButton* BrowseButton() const { return button_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QToolButton* button_;
    QString initialFolder_;
};

// Qt's own folder dialog, which speaks Russian once its translation is loaded.
std::optional<QString> ChooseFolderWithDialog(QWidget* parent, const QString& start);

}  // namespace tarnfold::app
