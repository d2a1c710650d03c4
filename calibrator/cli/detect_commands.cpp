#include "cli_context.h"
#include "detect_options.h"

#include "link/quick_detection.h"
#include "link/station_detection.h"

#include <csignal>

namespace orv::cli {

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

void handleInterrupt(int)
{
    interruptRequested = 1;
}

// Prints the run's lines as they come; Ctrl+C asks for a stop, which the run
// honours between tries just as the window's stop button.
class TerminalProgress final : public DetectionProgress
{
public:
    explicit TerminalProgress(QTextStream &out) : m_out(out) {}

    void clear() override
    {
        // A terminal cannot take back what it printed; end the line so the
        // summary starts on a fresh one.
        if (m_lineOpen)
            endLine();
    }
    void print(const QString &text) override
    {
        m_out << text;
        m_out.flush();
        m_lineOpen = true;
    }
    void endLine() override
    {
        m_out << Qt::endl;
        m_lineOpen = false;
    }
    bool stopRequested() override { return interruptRequested != 0; }
    void finish()
    {
        if (m_lineOpen)
            endLine();
    }

private:
    QTextStream &m_out;
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
    interruptRequested = 0;
    const auto previous = std::signal(SIGINT, handleInterrupt);
    TerminalProgress progress(c.out);
    c.link->state.cur_station = 0;
    const DetectionResult result = options->quick ? quickDetect(c, *options, progress)
                                                  : detect_station(*c.link, c.settings, progress, options->plan);
    progress.finish();
    std::signal(SIGINT, previous);

    if (!result.found()) {
        c.out << "Settings file not changed." << Qt::endl;
        return ExchangeFailed;
    }
    if (!c.settingsFile.save(c.settings)) {
        c.err << "orvcal-cli: " << c.settingsFile.error() << Qt::endl;
        return ExchangeFailed;
    }
    c.out << "Saved COM" << result.port << " at " << result.baud << " baud as station slot 0 ("
          << c.settings.stationName(0) << ") in " << c.settingsFile.path() << Qt::endl;
    return Ok;
}

const RegisterCommand registered[] = {
    RegisterCommand({QStringLiteral("detect"), QStringLiteral("detect [--quick] [OPTIONS]"),
                     QStringLiteral("find the port and rate the station answers at; store them in slot 0 "
                                    "(--ports 1,3-5 and --rates 2400,9600 narrow it; --quick probes in "
                                    "seconds, --reply-window MS, default 1000)"),
                     detect}),
};

} // namespace

} // namespace orv::cli
