#include "cli/BatchOptions.h"

#include "cli/CliCommands.h"
#include "core/settings/AppPaths.h"
#include "core/tools/ToolLocator.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace vantrel::cli {

BatchOptions::BatchOptions(QCommandLineParser &parser)
    : m_sheet(parser),
      m_outputDir(QStringLiteral("output-dir"),
                  tr("Folder for the converted files (default: the settings file's)."),
                  QStringLiteral("DIR")),
      m_existing(QStringLiteral("existing"),
                 tr("When an output name is taken: new (add _New) or overwrite."),
                 QStringLiteral("new|overwrite")),
      m_threads(threadsOption()),
      m_jobs(QStringLiteral("jobs"),
             tr("Files converted at once, 1 to %1 (default: the settings file's).")
                 .arg(maxSimultaneousConversions()),
             QStringLiteral("N")),
      m_noInhibit(QStringLiteral("no-inhibit"),
                  tr("Lets the computer sleep while converting (it is kept awake otherwise)."))
{
    parser.addOptions({m_outputDir, m_existing, m_threads, m_jobs, m_noInhibit});
}

Expected<Settings> BatchOptions::settings(const QCommandLineParser &parser, QTextStream &err) const
{
    AppPaths::seedSettings();
    Settings settings = cliSettingsFile().read();
    for (const QString &warning : std::as_const(settings.warnings))
        printError(err, warning);
    if (parser.isSet(m_existing)) {
        const QString policy = parser.value(m_existing);
        if (policy == QLatin1String("new"))
            settings.existingFile = ExistingFilePolicy::AddNew;
        else if (policy == QLatin1String("overwrite"))
            settings.existingFile = ExistingFilePolicy::Overwrite;
        else
            return Expected<Settings>::failure(
                tr("--existing takes new or overwrite, not \"%1\"").arg(policy));
    }
    if (parser.isSet(m_outputDir))
        settings.outputFolder = QFileInfo(parser.value(m_outputDir)).absoluteFilePath();
    if (parser.isSet(m_threads))
        settings.threads = parser.value(m_threads);
    if (parser.isSet(m_jobs)) {
        bool ok = false;
        const int count = parser.value(m_jobs).toInt(&ok);
        if (!ok || count < 1 || count > maxSimultaneousConversions())
            return Expected<Settings>::failure(
                tr("--jobs takes a whole number from 1 to %1, not \"%2\"")
                    .arg(maxSimultaneousConversions())
                    .arg(parser.value(m_jobs)));
        settings.simultaneous = count;
    }
    const Expected<std::optional<QStringList>> languages = m_sheet.languages(parser);
    if (!languages)
        return Expected<Settings>::failure(languages.error());
    if (*languages)
        settings.preferredLanguages = **languages;
    return settings;
}

Expected<int> BatchOptions::applySheet(const QCommandLineParser &parser, OptionSheet &sheet) const
{
    return m_sheet.apply(parser, sheet);
}

bool BatchOptions::keepAwake(const QCommandLineParser &parser) const
{
    return !parser.isSet(m_noInhibit);
}

BatchEnvironment cliBatchEnvironment()
{
    BatchEnvironment env;
    env.encoderPath = ToolLocator::find(ToolLocator::kEncoder);
    env.statisticsPath = AppPaths::ownStatisticsFile();
    env.dataFolder = AppPaths::dataFolder();
    env.encoderListCache = AppPaths::encoderListCache();
    env.missingSourceEndsBatch = false;
    return env;
}

std::optional<QString> missingBatchTool()
{
    for (const QString &tool : {ToolLocator::kEncoder, ToolLocator::kPlayer}) {
        if (ToolLocator::find(tool).isEmpty())
            return ToolLocator::missingToolMessage(tool);
    }
    return std::nullopt;
}

} // namespace vantrel::cli
