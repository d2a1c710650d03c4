// Shows a value in the input, reads it back from the text the input shows, and
// prints both: realinput-embed [VALUE] [--show]
#include <zq/realinput.h>

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const double wanted = args.value(1, QStringLiteral("1234.5")).toDouble();

    zq::RealInput input;
    input.setDecimals(2);
    input.setSeparator(true);
    input.setSpinSide(zq::RealInput::RightSpin);
    input.setValue(wanted);

    zq::RealInput again;
    again.setText(input.text());
    QTextStream(stdout) << input.text() << ' ' << again.value() << Qt::endl;
    if (args.contains(QStringLiteral("--show"))) {
        QObject::connect(&input, &zq::RealInput::valueChanged,
                         [](double v) { QTextStream(stdout) << v << Qt::endl; });
        input.show();
        return app.exec();
    }
    return again.value() == wanted ? 0 : 1;
}
