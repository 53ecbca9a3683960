#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// Reads tamsel-sim's framed log (sim/sim_log.h):
//   === KIND SEQ length L key=value ...\n<exactly L raw bytes>\n
// A frame still being written (the file ends inside it) is left out.
struct SimLogFrame {
    QByteArray kind;  // REQUEST, DISCOVERY or EVENT
    qint64 seq = 0;
    QMap<QByteArray, QByteArray> attributes;
    QByteArray payload;
};

inline std::vector<SimLogFrame> ReadSimLog(const QString& path) {
    QFile file(path);
    std::vector<SimLogFrame> frames;
    if (!file.open(QIODevice::ReadOnly)) {
        return frames;
    }
    const QByteArray data = file.readAll();
    qsizetype at = 0;
    while (at < data.size()) {
        const qsizetype lineEnd = data.indexOf('\n', at);
        if (lineEnd < 0) {
            break;
        }
        const QList<QByteArray> words = data.mid(at, lineEnd - at).split(' ');
        if (words.size() < 5 || words[0] != "===" || words[3] != "length") {
            break;
        }
        SimLogFrame frame;
        frame.kind = words[1];
        frame.seq = words[2].toLongLong();
        const qsizetype length = words[4].toLongLong();
        for (qsizetype i = 5; i < words.size(); ++i) {
            const qsizetype equals = words[i].indexOf('=');
            if (equals > 0) {
                frame.attributes.insert(words[i].left(equals), words[i].mid(equals + 1));
            }
        }
        if (lineEnd + 1 + length + 1 > data.size()) {
            break;
        }
        frame.payload = data.mid(lineEnd + 1, length);
        frames.push_back(std::move(frame));
        at = lineEnd + 1 + length + 1;
    }
    return frames;
}

// The bytes each HTTP connection carried after log frame `afterSeq`, one entry per
// connection in the order the connections were first logged. A request's bytes may span
// several frames (the rest arrives with the close).
inline std::vector<QByteArray> ConnectionRequests(const std::vector<SimLogFrame>& frames,
                                                  qint64 afterSeq = 0) {
    std::vector<QByteArray> connections;
    std::vector<QByteArray> ids;
    for (const SimLogFrame& frame : frames) {
        if (frame.kind != "REQUEST" || frame.seq <= afterSeq) {
            continue;
        }
        const QByteArray id = frame.attributes.value("connection");
        size_t index = 0;
        while (index < ids.size() && ids[index] != id) {
            ++index;
        }
        if (index == ids.size()) {
            ids.push_back(id);
            connections.emplace_back();
        }
        connections[index] += frame.payload;
    }
    return connections;
}

// The EVENT frames after `afterSeq`.
inline std::vector<SimLogFrame> SimEvents(const std::vector<SimLogFrame>& frames,
                                          qint64 afterSeq = 0) {
    std::vector<SimLogFrame> events;
    for (const SimLogFrame& frame : frames) {
        if (frame.kind == "EVENT" && frame.seq > afterSeq) {
            events.push_back(frame);
        }
    }
    return events;
}

// The sequence number of the last complete frame (0 for an empty log).
inline qint64 LastSimLogSeq(const QString& path) {
    const std::vector<SimLogFrame> frames = ReadSimLog(path);
    return frames.empty() ? 0 : frames.back().seq;
}

// The same for tests that keep paths and bytes as standard strings.
inline std::vector<std::string> SimRequestsSince(const std::string& path, uint64_t afterSeq) {
    std::vector<std::string> requests;
    for (const QByteArray& bytes : ConnectionRequests(ReadSimLog(QString::fromStdString(path)),
                                                      static_cast<qint64>(afterSeq))) {
        requests.push_back(bytes.toStdString());
    }
    return requests;
}

inline uint64_t SimLastSeq(const std::string& path) {
    return static_cast<uint64_t>(LastSimLogSeq(QString::fromStdString(path)));
}
