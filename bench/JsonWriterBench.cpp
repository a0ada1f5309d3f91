// The JSON list's writer: 10,000 rows of the list's shape written to a stream as they
// are made, against building the same document with QJsonObject and writing it at once.
#include "cli/JsonWriter.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

using fetemark::cli::JsonWriter;

constexpr int Rows = 10000;

QString nameOf(int i)
{
    return QStringLiteral("Person \"%1\" Müller").arg(i);
}

void BM_JsonWriterRows(benchmark::State& state)
{
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QTextStream out(&buffer);
        {
            JsonWriter json(out);
            json.beginObject();
            json.beginArray(QLatin1StringView("rows"));
            for (int i = 0; i < Rows; ++i) {
                json.beginObject();
                json.member(QLatin1StringView("age"), i % 90);
                json.member(
                    QLatin1StringView("detailedText"), QStringLiteral("Turning 40 in 3 days"));
                json.member(QLatin1StringView("funFacts"), QJsonValue());
                json.member(QLatin1StringView("isUpcoming"), i % 2 == 0);
                json.member(QLatin1StringView("name"), nameOf(i));
                json.endObject();
            }
            json.endArray();
            json.endObject();
        }
        out.flush();
        benchmark::DoNotOptimize(buffer.data().size());
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}
BENCHMARK(BM_JsonWriterRows)->Unit(benchmark::kMillisecond);

void BM_JsonDocumentRows(benchmark::State& state)
{
    for (auto _ : state) {
        QJsonArray rows;
        for (int i = 0; i < Rows; ++i) {
            rows.append(QJsonObject {{QStringLiteral("age"), i % 90},
                {QStringLiteral("detailedText"), QStringLiteral("Turning 40 in 3 days")},
                {QStringLiteral("funFacts"), QJsonValue()},
                {QStringLiteral("isUpcoming"), i % 2 == 0}, {QStringLiteral("name"), nameOf(i)}});
        }
        const QByteArray json = QJsonDocument(
            QJsonObject {{QStringLiteral("rows"),
                rows}}).toJson(QJsonDocument::Indented);
        benchmark::DoNotOptimize(json.size());
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}
BENCHMARK(BM_JsonDocumentRows)->Unit(benchmark::kMillisecond);

} // namespace
