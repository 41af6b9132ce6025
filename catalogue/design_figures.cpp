#include "catalogue/design_figures.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/model/gemcad_design.h"

namespace tavrine::catalogue {

namespace {

QJsonValue jsonOf(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue jsonOf(const std::optional<int32_t>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString text(const std::string& s) { return QString::fromStdString(s); }

// Reads a number or null; returns false for any other type or a missing key.
bool readNumber(const QJsonObject& object, const char* key, std::optional<double>& value) {
    const QJsonValue v = object.value(QLatin1String(key));
    if (v.isNull()) {
        value.reset();
        return true;
    }
    if (!v.isDouble()) return false;
    value = v.toDouble();
    return true;
}

// Returns a percentage at the hundredths tavrine-render prints it to, rounded as it rounds.
double hundredths(double percent) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", percent);
    return std::strtod(text, nullptr);
}

// Stops a rendering of the evaluation when its sweep is asked to stop.
class StopWithSweep : public RenderObserver {
  public:
    explicit StopWithSweep(evaluate::SweepObserver& sweep) : sweep_(sweep) {}
    bool abortRequested() override { return sweep_.stopRequested(); }

  private:
    evaluate::SweepObserver& sweep_;
};

bool readString(const QJsonObject& object, const char* key, std::string& value) {
    const QJsonValue v = object.value(QLatin1String(key));
    if (!v.isString()) return false;
    value = v.toString().toStdString();
    return true;
}

}  // namespace

DesignEvaluation evaluateDesign(Session& session, Lighting lighting,
                                const evaluate::TiltRange& range, evaluate::SweepObserver& observer,
                                const RenderExecution& execution) {
    DesignEvaluation result;
    const int32_t lightingBefore = session.settings.lighting;
    struct RestoreLighting {
        Session& session;
        int32_t lighting;
        ~RestoreLighting() { chooseLighting(session, static_cast<Lighting>(lighting)); }
    } restore{session, lightingBefore};

    // The sweep under the chosen lighting; its 0 degree row is the face-up view itself.
    chooseLighting(session, lighting);
    evaluate::Sweep sweep = evaluate::sweepTilts(evaluationSceneOf(session), range, observer,
                                                 execution, evaluate::KeptPictures::FaceUp);
    result.status = sweep.status;
    result.error = std::move(sweep.error);
    if (result.status != RenderStatus::Completed) return result;
    for (size_t i = 0; i < sweep.rows.size(); ++i) {
        if (sweep.rows[i].tiltDegrees != 0.0) continue;
        (lighting == Lighting::Cos ? result.cos : result.iso) = sweep.rows[i].figures;
        result.faceUp = std::move(sweep.pictures[i]);
    }
    result.tilts = std::move(sweep.rows);
    if (!result.faceUp) {
        result.status = RenderStatus::Failed;
        result.error = "the tilt sweep has no face-up row";
        return result;
    }

    // The face-up view under the other lighting.
    const Lighting other = lighting == Lighting::Cos ? Lighting::Iso : Lighting::Cos;
    chooseLighting(session, other);
    StopWithSweep stop(observer);
    evaluate::Evaluation faceUp =
        evaluate::evaluateAtTilt(evaluationSceneOf(session), 0.0, stop, execution);
    result.status = faceUp.status;
    result.error = std::move(faceUp.error);
    (other == Lighting::Cos ? result.cos : result.iso) = faceUp.figures;
    return result;
}

DesignFigures designFigures(const DesignFile& design, const Session* session,
                            const DesignEvaluation* evaluation, const std::string& reason,
                            const CatalogueOptions& options,
                            std::chrono::steady_clock::time_point started) {
    DesignFigures figures;
    figures.file = design.name;
    if (session == nullptr || evaluation == nullptr) {
        figures.title = designTitle(GemCadDesign{}, design.name);
        figures.status = DesignStatus::Refused;
        figures.reason = reason;
    } else {
        figures.title = designTitle(session->design.design, design.name);
        figures.facets = session->design.summary.facetCount;
        figures.ri = renderSettingsOf(*session).stoneIndex;
        figures.brightnessIso = hundredths(evaluation->iso.brightness);
        figures.brightnessCos = hundredths(evaluation->cos.brightness);
        const evaluate::Figures& chosen =
            options.lighting == Lighting::Cos ? evaluation->cos : evaluation->iso;
        figures.dark = hundredths(chosen.darkArea);
        figures.tiltAverage = hundredths(evaluate::averageBrightness(evaluation->tilts));
    }
    // Whole hundredths of a second: finer is noise.
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - started;
    figures.seconds = std::round(taken.count() * 100.0) / 100.0;
    return figures;
}

const char* statusName(DesignStatus status) {
    return status == DesignStatus::Refused ? "refused" : "done";
}

std::string figuresJson(const DesignFigures& f) {
    QJsonObject object;
    object.insert(QLatin1String("file"), text(f.file));
    object.insert(QLatin1String("title"), text(f.title));
    object.insert(QLatin1String("status"), QLatin1String(statusName(f.status)));
    object.insert(QLatin1String("reason"), text(f.reason));
    object.insert(QLatin1String("facets"), jsonOf(f.facets));
    object.insert(QLatin1String("ri"), jsonOf(f.ri));
    object.insert(QLatin1String("brightness_iso"), jsonOf(f.brightnessIso));
    object.insert(QLatin1String("brightness_cos"), jsonOf(f.brightnessCos));
    object.insert(QLatin1String("tilt_avg"), jsonOf(f.tiltAverage));
    object.insert(QLatin1String("dark"), jsonOf(f.dark));
    object.insert(QLatin1String("seconds"), f.seconds);
    return QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

bool parseFiguresJson(const std::string& text, DesignFigures& figures, std::string* error) {
    auto fail = [&](const std::string& message) {
        if (error != nullptr) *error = message;
        return false;
    };
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return fail("not JSON: " + parseError.errorString().toStdString() + " at byte " +
                    std::to_string(parseError.offset));
    }
    if (!document.isObject()) return fail("not a JSON object");
    const QJsonObject object = document.object();
    DesignFigures f;
    std::string status;
    std::optional<double> facets, seconds;
    if (!readString(object, "file", f.file) || !readString(object, "title", f.title) ||
        !readString(object, "status", status) || !readString(object, "reason", f.reason)) {
        return fail("file, title, status and reason must be texts");
    }
    if (!readNumber(object, "facets", facets) || !readNumber(object, "ri", f.ri) ||
        !readNumber(object, "brightness_iso", f.brightnessIso) ||
        !readNumber(object, "brightness_cos", f.brightnessCos) ||
        !readNumber(object, "tilt_avg", f.tiltAverage) || !readNumber(object, "dark", f.dark) ||
        !readNumber(object, "seconds", seconds) || !seconds) {
        return fail("the figures must be numbers or null (seconds a number)");
    }
    if (status == "done") {
        f.status = DesignStatus::Done;
    } else if (status == "refused") {
        f.status = DesignStatus::Refused;
    } else {
        return fail("unknown status '" + status + "'");
    }
    if (facets) {
        if (*facets < 0 || *facets > 1e9 || *facets != std::floor(*facets)) {
            return fail("facets must be a whole number");
        }
        f.facets = static_cast<int32_t>(*facets);
    }
    f.seconds = *seconds;
    figures = std::move(f);
    return true;
}

}  // namespace tavrine::catalogue
