#pragma once

#include <QString>
#include <QWidget>

#include <memory>

namespace zq {

// The ZqRealInput control as a plain Qt widget: typed properties and signals over
// the very control a container hosts, so editing, drawing, the spin arrows, the
// limits and the refusals behave the same. No registry and no container needed.
class RealInput : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged USER true)
    Q_PROPERTY(double minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(double maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int decimals READ decimals WRITE setDecimals)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(bool readOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(SpinSide spinSide READ spinSide WRITE setSpinSide)
    Q_PROPERTY(double singleStep READ singleStep WRITE setSingleStep)
    Q_PROPERTY(bool moneyFormat READ moneyFormat WRITE setMoneyFormat)
    Q_PROPERTY(bool separator READ separator WRITE setSeparator)

public:
    // Where the spin arrows sit; NoSpin leaves the up and down keys moving the caret.
    enum SpinSide { NoSpin = 0, LeftSpin = 1, RightSpin = 2 };
    Q_ENUM(SpinSide)

    explicit RealInput(QWidget *parent = nullptr);
    ~RealInput() override;

    // A value outside minimum()..maximum() is refused and the value stays as it was.
    double value() const;
    void setValue(double value);
    double minimum() const;
    void setMinimum(double minimum);
    double maximum() const;
    void setMaximum(double maximum);
    void setRange(double minimum, double maximum);

    // -1 takes the number of digits from the user's number format; 0..100 are
    // accepted and more than 12 shows six. Other values are refused.
    int decimals() const;
    void setDecimals(int decimals);

    // The text as shown, formatted. A text holding something that is not part of a
    // number is still taken; formatting drops what does not belong.
    QString text() const;
    void setText(const QString &text);

    bool isReadOnly() const;
    void setReadOnly(bool readOnly);
    SpinSide spinSide() const;
    void setSpinSide(SpinSide side);
    // What one click on a spin arrow, or the up and down keys beside them, adds.
    double singleStep() const;
    void setSingleStep(double step);
    // The currency symbol and the sign marks of the user's money format.
    bool moneyFormat() const;
    void setMoneyFormat(bool on);
    // Thousands grouping of the integer part.
    bool separator() const;
    void setSeparator(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void valueChanged(double value);
    // Every change of the shown text, by the user or by the program.
    void textChanged(const QString &text);
    // Only changes the user made: typing, deleting, pasting, the spin arrows.
    void textEdited(const QString &text);
    // The focus left the input (no validation handler kept it), or Return or
    // Enter was pressed in it.
    void editingFinished();
    // The focus left while the value lay outside minimum()..maximum(); the text stays.
    void invalidEntry();
    // A typed digit left the caret at the end of the text: the last decimal is in.
    void autoTerminated();

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace zq
