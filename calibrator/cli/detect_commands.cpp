#include "cli_context.h"
#include "detect_options.h"
#include "interrupt_watch.h"

#include "link/quick_detection.h"
#include "link/station_detection.h"

namespace orv::cli {

namespace {

// Prints the run's lines as they come; Ctrl+C asks for a stop, which the run
// honours between tries just as the window's stop button.
class TerminalProgress final : public DetectionProgress
{
public:
    TerminalProgress(QTextStream &out, const InterruptWatch &interrupts) : m_out(out), m_interrupts(interrupts) {}

    void clear() override
    {
        // A terminal cannot take back what it printed; end the line so the
        // summary starts on a fresh one.
        if (m_lineOpen)
            endLine();
    }
    void print(const QString &text) override
    {
        m_out << printable(text);
        m_out.flush();
        m_lineOpen = true;
    }
    void endLine() override
    {
        m_out << Qt::endl;
        m_lineOpen = false;
    }
    bool stopRequested() override { return m_interrupts.stopRequested(); }
    void finish()
    {
        if (m_lineOpen)
            endLine();
    }

private:
    QTextStream &m_out;
    const InterruptWatch &m_interrupts;
    bool m_lineOpen = false;
};

DetectionResult quickDetect(CliContext &c, const DetectOptions &options, DetectionProgress &progress)
{
    QuickDetectionOptions quick;
    quick.plan = options.plan;
    quick.replyWindowMs = options.replyWindowMs;
    return quick_detect(*c.link, c.settings, progress, quick).result;
}

int detect(CliContext &c, const QStringList &args)
{
    QString error;
    const std::optional<DetectOptions> options = parseDetectOptions(args, &error);
    if (!options) {
        c.err << "orvcal-cli: " << error << Qt::endl;
        return BadUsage;
    }
    if (const int code = c.makeLink(); code != Ok)
        return code;
    DetectionResult result;
    {
        // The first Ctrl+C asks for a stop at the next check, as the window's
        // stop button does; the second ends the program with the port closed
        // and the settings file untouched.
        InterruptWatch interrupts(
            c,
            [&c] {
                c.err << "\norvcal-cli: stopping at the next check, once this try is over; Ctrl+C again ends at once"
                      << Qt::endl;
            },
            [&c] {
                c.out.flush();
                c.err << "\norvcal-cli: detection ended; settings file not changed" << Qt::endl;
                // Dropping the line as a normal end would; nothing else is written.
                c.comm->setPortOpen(false);
            },
            DetectAbandoned);
        TerminalProgress progress(c.out, interrupts);
        c.link->state.cur_station = 0;
        result = options->quick ? quickDetect(c, *options, progress)
                                : detect_station(*c.link, c.settings, progress, options->plan);
        progress.finish();
    }

    if (!result.found()) {
        c.out << "Settings file not changed." << Qt::endl;
        return ExchangeFailed;
    }
    if (!c.settingsFile.save(c.settings)) {
        c.err << "orvcal-cli: " << c.settingsFile.error() << Qt::endl;
        return SettingsProblem;
    }
    c.out << "Saved COM" << result.port << " at " << result.baud << " baud as station slot 0 ("
          << printable(c.settings.stationName(0)) << ") in " << c.settingsFile.path() << Qt::endl;
    return Ok;
}

const RegisterCommand detectCommands[] = {
    RegisterCommand({QStringLiteral("detect"), QStringLiteral("detect [--quick] [OPTIONS]"),
                     QStringLiteral("find the port and rate the station answers at; store them in slot 0 "
                                    "(--ports 1,3-5 and --rates 2400,9600 narrow it; --quick probes in "
                                    "seconds, --reply-window MS, default 1000)"),
                     detect}),
};

} // namespace

} // namespace orv::cli
