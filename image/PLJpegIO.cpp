#include "image/PLJpegIO.h"

#include "image/PLDataSink.h"
#include "image/PLDataSource.h"
#include "image/PLTextException.h"

#include <cstring>

#include <jerror.h>

namespace {

// Far more scans than any encoder writes; each scan walks the whole image again.
constexpr int kMaxScans = 256;
constexpr size_t kDestinationBuffer = 8192;
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

PLJpegErrorManager& Errors(j_common_ptr info)
{
    return *reinterpret_cast<PLJpegErrorManager*>(info->err);
}

[[noreturn]] void ErrorExit(j_common_ptr info)
{
    PLJpegErrorManager& errors = Errors(info);
    if (errors.message[0] == 0)
        (*info->err->format_message)(info, errors.message);
    longjmp(errors.jump, 1);
}

void OutputMessage(j_common_ptr info)
{
    char text[JMSG_LENGTH_MAX + 1];
    (*info->err->format_message)(info, text);
    strcat(text, "\n");
    CodecTrace(2, text);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info)
{
    WARNMS(info, JWRN_JPEG_EOF);
    info->src->next_input_byte = kEndOfImage;
    info->src->bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count)
{
    if (count <= 0)
        return;
    if (size_t(count) < info->src->bytes_in_buffer) {
        info->src->next_input_byte += count;
        info->src->bytes_in_buffer -= size_t(count);
        return;
    }
    FillInputBuffer(info);
}

void ProgressMonitor(j_common_ptr common)
{
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxScans)
        Errors(common).Exit(common, "Too many scans in JPEG file");
    auto* source = static_cast<PLDataSource*>(info->client_data);
    IProgressNotification* receiver = source ? source->GetProgressNotification() : nullptr;
    const jpeg_progress_mgr* progress = info->progress;
    if (receiver && progress->pass_limit > 0 && progress->total_passes > 0)
        receiver->OnProgress(
            (double(progress->pass_counter) / double(progress->pass_limit) + progress->completed_passes) /
            progress->total_passes);
}

struct Destination {
    jpeg_destination_mgr pub;
    PLDataSink* sink;
    JOCTET* buffer;
};

void Write(j_compress_ptr info, size_t count)
{
    auto* destination = reinterpret_cast<Destination*>(info->dest);
    bool failed = false;
    try {
        destination->sink->WriteBytes(count, destination->buffer);
    } catch (const PLTextException& exception) {
        Errors(reinterpret_cast<j_common_ptr>(info)).Hold(exception);
        failed = true;
    }
    if (failed)
        ERREXIT(info, JERR_FILE_WRITE);
}

void InitDestination(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<Destination*>(info->dest);
    destination->buffer = static_cast<JOCTET*>(
        (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, kDestinationBuffer));
    destination->pub.next_output_byte = destination->buffer;
    destination->pub.free_in_buffer = kDestinationBuffer;
}

boolean EmptyOutputBuffer(j_compress_ptr info)
{
    Write(info, kDestinationBuffer);
    info->dest->next_output_byte = reinterpret_cast<Destination*>(info->dest)->buffer;
    info->dest->free_in_buffer = kDestinationBuffer;
    return TRUE;
}

void TermDestination(j_compress_ptr info)
{
    const size_t count = kDestinationBuffer - info->dest->free_in_buffer;
    if (count > 0)
        Write(info, count);
}

template <class T>
T* Permanent(j_common_ptr info)
{
    return static_cast<T*>((*info->mem->alloc_small)(info, JPOOL_PERMANENT, sizeof(T)));
}

}  // namespace

void PLJpegErrorManager::Install(jpeg_common_struct* info)
{
    info->err = jpeg_std_error(&pub);
    pub.error_exit = ErrorExit;
    pub.output_message = OutputMessage;
    message[0] = 0;
    pendingCode = 0;
    pendingText[0] = 0;
}

void PLJpegErrorManager::Exit(jpeg_common_struct* info, const char* text)
{
    snprintf(message, sizeof message, "%s", text);
    ErrorExit(info);
}

void PLJpegErrorManager::Hold(const PLTextException& exception)
{
    pendingCode = exception.GetCode();
    snprintf(pendingText, sizeof pendingText, "%s", exception.GetText());
}

void PLJpegErrorManager::Raise()
{
    const int code = pendingCode;
    char text[sizeof message];
    memcpy(text, message, sizeof text);
    pendingCode = 0;
    message[0] = 0;
    if (code)
        throw PLTextException(code, pendingText);
    RaiseDecoderError(PLErr::NotSupported, "%s\n", text);
}

void JpegMemorySource(j_decompress_ptr info, const uint8_t* data, size_t size, PLDataSource* progressTarget)
{
    auto* common = reinterpret_cast<j_common_ptr>(info);
    if (!info->src) {
        info->src = Permanent<jpeg_source_mgr>(common);
        info->src->init_source = InitSource;
        info->src->fill_input_buffer = FillInputBuffer;
        info->src->skip_input_data = SkipInputData;
        info->src->resync_to_restart = jpeg_resync_to_restart;
        info->src->term_source = TermSource;
    }
    if (!info->progress) {
        info->progress = Permanent<jpeg_progress_mgr>(common);
        info->progress->progress_monitor = ProgressMonitor;
    }
    info->client_data = progressTarget;
    info->src->next_input_byte = data;
    info->src->bytes_in_buffer = size;
}

void JpegSinkDestination(j_compress_ptr info, PLDataSink* sink)
{
    if (!info->dest) {
        auto* destination = Permanent<Destination>(reinterpret_cast<j_common_ptr>(info));
        destination->pub.init_destination = InitDestination;
        destination->pub.empty_output_buffer = EmptyOutputBuffer;
        destination->pub.term_destination = TermDestination;
        info->dest = &destination->pub;
    }
    reinterpret_cast<Destination*>(info->dest)->sink = sink;
}
