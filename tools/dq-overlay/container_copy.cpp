#include "container_copy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/mathematics.h>
}

#include "frame_format.h"

namespace {

bool Named(const AVFormatContext* output, const char* name) {
    return std::strstr(output->oformat->name, name) != nullptr;
}

// Matroska keeps attachments, WebM (its restricted form) does not.
bool HoldsAttachments(const AVFormatContext* output) {
    return Named(output, "matroska") && !Named(output, "webm");
}

// Of the containers the tool writes, the QuickTime family stores a display matrix.
bool HoldsRotation(const AVFormatContext* output) {
    return Named(output, "mp4") || Named(output, "mov");
}

bool HoldsChapters(const AVFormatContext* output) {
    return !Named(output, "avi");
}

} // namespace

void ContainerCopy::Record(const AVFormatContext* input, const AVStream* video, int64_t origin,
                           std::optional<int64_t> duration) {
    m_input = input;
    m_video = video;
    m_origin = origin;
    m_duration = duration;
}

double ContainerCopy::Rotation() const {
    if (m_video == nullptr)
        return 0;
    const uint8_t* matrix = av_stream_get_side_data(m_video, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (matrix == nullptr)
        return 0;
    const double degrees = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    return std::isnan(degrees) ? 0 : degrees;
}

std::vector<std::string> ContainerCopy::ApplyTo(AVFormatContext* output, AVStream* video) const {
    std::vector<std::string> leftOut;
    if (m_input == nullptr)
        return leftOut;
    av_dict_copy(&output->metadata, m_input->metadata, 0);
    if (m_video != nullptr) {
        av_dict_copy(&video->metadata, m_video->metadata, 0);
        video->disposition = m_video->disposition;
        size_t size = 0;
        const uint8_t* matrix = av_stream_get_side_data(m_video, AV_PKT_DATA_DISPLAYMATRIX, &size);
        if (matrix != nullptr && HoldsRotation(output)) {
            uint8_t* copy = av_stream_new_side_data(video, AV_PKT_DATA_DISPLAYMATRIX, size);
            if (copy == nullptr)
                throw std::bad_alloc();
            std::memcpy(copy, matrix, size);
        } else if (matrix != nullptr && Rotation() != 0) {
            char text[64];
            std::snprintf(text, sizeof text, "rotation (%g degrees)", Rotation());
            leftOut.push_back(text);
        }
    }

    // Chapters move with the start and end with the read; those wholly outside it go.
    const int64_t end = m_duration ? *m_duration : INT64_MAX;
    struct Kept {
        const AVChapter* chapter;
        int64_t from, to; // 100 ns from the output's start
    };
    std::vector<Kept> chapters;
    for (unsigned i = 0; i < m_input->nb_chapters; ++i) {
        const AVChapter* c = m_input->chapters[i];
        const int64_t from = av_rescale_q(c->start, c->time_base, kRefTimeBase) - m_origin;
        const int64_t to = av_rescale_q(c->end, c->time_base, kRefTimeBase) - m_origin;
        if (to > 0 && from < end)
            chapters.push_back({c, from, to});
    }
    if (!chapters.empty() && !HoldsChapters(output)) {
        leftOut.push_back("chapter list (" + std::to_string(chapters.size()) + " chapters)");
    } else if (!chapters.empty()) {
        output->chapters = static_cast<AVChapter**>(av_calloc(chapters.size(), sizeof(AVChapter*)));
        if (output->chapters == nullptr)
            throw std::bad_alloc();
        for (const Kept& kept : chapters) {
            auto* copy = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
            if (copy == nullptr)
                throw std::bad_alloc();
            output->chapters[output->nb_chapters++] = copy;
            copy->id = kept.chapter->id;
            copy->time_base = kRefTimeBase;
            copy->start = std::max<int64_t>(kept.from, 0);
            copy->end = std::min(kept.to, end);
            av_dict_copy(&copy->metadata, kept.chapter->metadata, 0);
        }
    }

    for (unsigned i = 0; i < m_input->nb_streams; ++i) {
        const AVStream* s = m_input->streams[i];
        if (s->codecpar->codec_type != AVMEDIA_TYPE_ATTACHMENT)
            continue;
        const AVDictionaryEntry* name = av_dict_get(s->metadata, "filename", nullptr, 0);
        if (!HoldsAttachments(output)) {
            const AVCodecID id = s->codecpar->codec_id;
            leftOut.push_back(
                (id != AV_CODEC_ID_NONE ? std::string(avcodec_get_name(id)) + " " : "") +
                "attachment" + (name ? std::string(" '") + name->value + "'" : "") + " (stream " +
                std::to_string(i) + ")");
            continue;
        }
        AVStream* copy = avformat_new_stream(output, nullptr);
        if (copy == nullptr || avcodec_parameters_copy(copy->codecpar, s->codecpar) < 0)
            throw std::bad_alloc();
        av_dict_copy(&copy->metadata, s->metadata, 0);
        copy->disposition = s->disposition;
    }
    return leftOut;
}
