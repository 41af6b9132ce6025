#include "app/render/render_job.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/render/fast/fast_tracer.h"
#include "app/render/pixel_colour.h"
#include "util/check.h"
#include "util/error.h"

namespace tavrine {

namespace {

// Scratch memory kept between renderings for the workers of the next: what a rendering learns
// (where the rays from each facet in each direction went) is a good start for the next one,
// usually the same stone a step away. A scratch that does not fit the scene is made anew.
class ScratchShelf {
  public:
    static std::unique_ptr<FastTracer::Scratch> take(const RenderScene& scene) {
        std::unique_ptr<FastTracer::Scratch> scratch;
        {
            std::lock_guard<std::mutex> guard(lock());
            if (!shelf().empty()) {
                scratch = std::move(shelf().back());
                shelf().pop_back();
            }
        }
        if (!scratch || !scratch->fits(scene)) {
            scratch = std::make_unique<FastTracer::Scratch>(scene);
        }
        return scratch;
    }

    static void giveBack(std::unique_ptr<FastTracer::Scratch> scratch) {
        std::lock_guard<std::mutex> guard(lock());
        if (shelf().size() < kKept) shelf().push_back(std::move(scratch));
    }

  private:
    static constexpr size_t kKept = 16;
    static std::mutex& lock() {
        static std::mutex m;
        return m;
    }
    static std::vector<std::unique_ptr<FastTracer::Scratch>>& shelf() {
        static std::vector<std::unique_ptr<FastTracer::Scratch>> s;
        return s;
    }
};

// The rows' hand-out and completion between the calling thread (which makes every observer call)
// and the workers (which only render). Workers wait on |lock| only for a row to be released.
struct RowBoard {
    std::mutex lock;
    std::condition_variable rowReleased;
    std::condition_variable rowDone;
    int32_t released = 0;           // rows the workers may take: 0 to released - 1
    int32_t nextRow = 0;            // the next row a worker takes
    std::vector<int32_t> finished;  // rows finished since the calling thread last looked
    int32_t running = 0;            // workers not yet returned
    bool failed = false;            // a worker threw
    std::string failure;
    std::atomic<bool> stop{false};  // no more rows: abort, failure or the end

    // Tells every worker to finish the row it holds and return. Set under the lock, so that no
    // worker misses the wake-up between its test and its wait.
    void stopWorkers() {
        {
            std::lock_guard<std::mutex> guard(lock);
            stop = true;
        }
        rowReleased.notify_all();
    }
};

RenderResult failedRender(RenderObserver& observer, std::string error) {
    RenderResult result;
    result.status = RenderStatus::Failed;
    result.error = std::move(error);
    observer.loopFinished();
    observer.renderEnded();
    return result;
}

// What every worker reads: the rendering, the tracer and the picture whose rows it writes.
struct RowJob {
    const RenderSettings& settings;
    const RenderScene& scene;
    const FastTracer& fast;
    const RenderExecution& execution;
    uint8_t* rows;             // the working picture's pixels
    int32_t workingWidth;      // W, or 2W in HQ
    int32_t scale;             // pixels per model unit in the working picture
    RadianceBuffer* radiance;  // the pixels' light, when asked for; each worker writes its rows
};

// The picture the job renders into: the given one, or a new one (2W x 2W in HQ); null with
// error set when the given one does not fit or memory is refused.
imgctl::DibPtr workingPicture(const RenderSettings& s, imgctl::DibPtr picture,
                              std::string* errorOut) {
    std::string& error = util::errorSlot(errorOut);
    const int32_t w2 = s.width * (s.highQuality ? 2 : 1);
    if (picture) {
        const imgctl::DibData* given = imgctl::DataDIB(picture.get());
        if (given == nullptr || given->bitCount != 24 || given->width != s.width ||
            given->height != s.width) {
            error = "the render picture is not a 24-bit picture of " + std::to_string(s.width) +
                    " x " + std::to_string(s.width) + " pixels";
            return nullptr;
        }
        if (!s.highQuality) return picture;
    }
    imgctl::BitmapInfoHeader header;
    header.width = w2;
    header.height = -w2;
    imgctl::DibPtr working(imgctl::CreateDIB(header));
    if (!working) {
        error = "no memory for a picture of " + std::to_string(w2) + " x " + std::to_string(w2) +
                " pixels";
    }
    return working;
}

// One worker's loop: takes the released rows one at a time and renders each, until the board
// says stop and no released row is left.
void renderRows(const RowJob& job, RowBoard& board) {
    const RenderSettings& s = job.settings;
    const RenderScene& scene = job.scene;
    const bool literal = job.execution.literal;
    const int32_t w2 = job.workingWidth;
    // The literal path keeps its own scratch arrays below.
    std::unique_ptr<FastTracer::Scratch> kept = literal ? nullptr : ScratchShelf::take(scene);
    struct GiveBack {
        std::unique_ptr<FastTracer::Scratch>& scratch;
        ~GiveBack() {
            if (scratch) ScratchShelf::giveBack(std::move(scratch));
        }
    } giveBack{kept};
    const size_t facetRoom = static_cast<size_t>(std::max(scene.facetCount, 1));
    const size_t vertexRoom = static_cast<size_t>(std::max(scene.vertexCount, 1));
    std::vector<int32_t> candidates(literal ? facetRoom : 0);
    std::vector<Vec3> relative(literal ? vertexRoom : 0);
    std::vector<Vec3> projected(literal ? vertexRoom : 0);
    std::vector<double> xs(static_cast<size_t>(w2));
    std::vector<uint32_t> colours(static_cast<size_t>(w2));
    // The pixels' light only when it is asked for, so that a plain rendering does no more.
    RadianceBuffer* const radiance = job.radiance;
    std::vector<PixelLight> lights(radiance != nullptr ? static_cast<size_t>(w2) : 0);
    PixelLight* const light = radiance != nullptr ? lights.data() : nullptr;
    for (;;) {
        int32_t row;
        {
            std::unique_lock<std::mutex> lock(board.lock);
            board.rowReleased.wait(
                lock, [&] { return board.stop.load() || board.nextRow < board.released; });
            if (board.nextRow >= board.released) return;
            row = board.nextRow++;
        }
        const double y = primaryRayOrigin(0, row, w2, job.scale).y;
        for (int32_t column = 0; column < w2; ++column) {
            const Vec3 o = primaryRayOrigin(column, row, w2, job.scale);
            xs[column] = o.x;
            colours[column] = literal
                                  ? literalPixelColour(s, scene, o.x, o.y, candidates.data(),
                                                       relative.data(), projected.data(),
                                                       light != nullptr ? &light[column] : nullptr)
                                  : 0;
        }
        if (!literal) job.fast.pixelColours(xs.data(), w2, y, colours.data(), *kept, light);
        for (int32_t column = 0; column < w2; ++column) {
            imgctl::setImagePixel(job.rows, w2, w2, column, row, colours[column]);
        }
        if (radiance != nullptr) {
            const size_t at = static_cast<size_t>(row) * static_cast<size_t>(w2);
            for (int32_t column = 0; column < w2; ++column) {
                radiance->luminance[at + column] = luminance(lights[column]);
                radiance->meetsStone[at + column] = lights[column].meetsStone ? 1 : 0;
            }
        }
        {
            std::lock_guard<std::mutex> lock(board.lock);
            board.finished.push_back(row);
        }
        board.rowDone.notify_one();
    }
}

// A worker thread's body. Nothing thrown leaves it: a failure is put on the board, which stops
// the job, and the calling thread reports it.
void runWorker(const RowJob& job, RowBoard& board) {
    try {
        renderRows(job, board);
    } catch (const std::exception& e) {
        std::lock_guard<std::mutex> lock(board.lock);
        board.failed = true;
        board.failure = std::string("a render worker failed: ") + e.what();
    } catch (...) {
        std::lock_guard<std::mutex> lock(board.lock);
        board.failed = true;
        board.failure = "a render worker failed";
    }
    {
        std::lock_guard<std::mutex> lock(board.lock);
        --board.running;
    }
    board.rowDone.notify_one();
}

// Starts up to `threads` workers (0 = one per core, never more than the rows); goes on with
// those that started when a thread cannot be had, and sets failure when none could.
void startWorkers(const RowJob& job, RowBoard& board, int32_t threads,
                  std::vector<std::thread>& pool, std::string& failure) {
    if (threads <= 0)
        threads = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::min(threads, std::max(job.workingWidth, 1));
    pool.reserve(static_cast<size_t>(threads));
    for (int32_t i = 0; i < threads; ++i) {
        {
            std::lock_guard<std::mutex> lock(board.lock);
            ++board.running;
        }
        try {
            pool.emplace_back(runWorker, std::cref(job), std::ref(board));
        } catch (const std::system_error& e) {
            std::lock_guard<std::mutex> lock(board.lock);
            --board.running;
            failure = std::string("no render worker could start: ") + e.what();
            break;
        }
    }
}

// How the hand-out of the rows ended.
struct HandOutEnd {
    bool aborted = false;
    bool failed = false;
    std::string failure;
};

// Releases the rows one poll at a time, a few ahead of the workers, and reports the finished
// rows and the percentage; makes every observer call on the calling thread, holding no lock.
// Returns when every worker has returned: after the last row, an abort or a failure.
HandOutEnd handOutRows(RowBoard& board, RenderObserver& observer, const RenderSettings& s,
                       const imgctl::DibData& picture, int32_t w2, size_t workers) {
    const int32_t ahead = 2 * static_cast<int32_t>(workers);
    HandOutEnd end;
    int32_t rowsDone = 0;
    int32_t lastPercent = 0;
    int32_t released = 0;
    std::vector<int32_t> finished;
    for (;;) {
        while (!end.aborted && !end.failed && released < w2 && released - rowsDone < ahead) {
            if (observer.abortRequested()) {
                end.aborted = true;
                break;
            }
            ++released;
            {
                std::lock_guard<std::mutex> lock(board.lock);
                board.released = released;
            }
            board.rowReleased.notify_one();
        }
        // After an abort, a failure or the last row the workers finish what they hold and return.
        if (end.aborted || end.failed || rowsDone >= w2) board.stopWorkers();
        bool allReturned = false;
        {
            std::unique_lock<std::mutex> lock(board.lock);
            board.rowDone.wait(lock, [&] {
                return !board.finished.empty() || (board.failed && !end.failed) ||
                       board.running == 0;
            });
            finished.swap(board.finished);
            if (board.failed && !end.failed) {
                end.failed = true;
                end.failure = board.failure;
            }
            allReturned = board.running == 0;
        }
        for (const int32_t row : finished) {
            ++rowsDone;
            if (!s.highQuality && !end.failed) observer.rowFinished(row, picture);
            // The percentage is rounded to single precision before it is truncated.
            const int32_t percent = static_cast<int32_t>(
                static_cast<float>(static_cast<double>(rowsDone) * 100.0 / w2));
            if (percent > lastPercent) {
                lastPercent = percent;
                observer.progress(percent);
            }
        }
        finished.clear();
        if (allReturned) return end;
    }
}

}  // namespace

RenderResult renderJob(const RenderSettings& s, const RenderScene& scene, imgctl::DibPtr picture,
                       RenderObserver& observer, const RenderExecution& execution,
                       RadianceBuffer* radiance) {
    observer.renderStarted();
    observer.progress(0);

    if (s.width <= 0) return failedRender(observer, "the picture width is not positive");
    const int32_t factor = s.highQuality ? 2 : 1;
    const int32_t w2 = s.width * factor;
    std::string error;
    imgctl::DibPtr working = workingPicture(s, std::move(picture), &error);
    if (!working) return failedRender(observer, error);
    const imgctl::DibData* data = imgctl::DataDIB(working.get());
    // The workers write whole rows of a 24-bit W x W (2W x 2W in HQ) picture without checking.
    TAVRINE_CHECK(data != nullptr && data->bitCount == 24 && data->width == w2 &&
                  data->height == w2);

    if (radiance != nullptr) {
        const size_t pixels = static_cast<size_t>(w2) * static_cast<size_t>(w2);
        try {
            radiance->width = w2;
            radiance->luminance.assign(pixels, 0.0);
            radiance->meetsStone.assign(pixels, 0);
        } catch (const std::bad_alloc&) {
            *radiance = RadianceBuffer{};
            return failedRender(observer, "no memory for the light of " + std::to_string(w2) +
                                              " x " + std::to_string(w2) + " pixels");
        }
    }

    std::unique_ptr<FastTracer> fast;
    try {
        fast = std::make_unique<FastTracer>(s, scene);
    } catch (const std::exception& e) {
        return failedRender(observer, std::string("the tracer could not be prepared: ") + e.what());
    }
    const RowJob job{s,
                     scene,
                     *fast,
                     execution,
                     data->rows,
                     w2,
                     static_cast<int32_t>(s.imageScale * factor),
                     radiance};

    RowBoard board;
    std::vector<std::thread> pool;
    std::string startFailure;
    startWorkers(job, board, execution.threads, pool, startFailure);
    if (pool.empty()) return failedRender(observer, startFailure);
    // Should an observer call throw, the workers are stopped and joined before it leaves.
    struct JoinOnExit {
        RowBoard& board;
        std::vector<std::thread>& pool;
        ~JoinOnExit() {
            board.stopWorkers();
            for (std::thread& t : pool) {
                if (t.joinable()) t.join();
            }
        }
    } joinOnExit{board, pool};

    const HandOutEnd end = handOutRows(board, observer, s, *data, w2, pool.size());
    board.stopWorkers();
    for (std::thread& t : pool) t.join();

    observer.loopFinished();
    RenderResult result;
    if (end.failed) {
        observer.renderEnded();
        result.status = RenderStatus::Failed;
        result.error = end.failure;
        return result;
    }
    // HQ: the 2W x 2W picture is shrunk to W x W, also after an abort.
    if (s.highQuality) imgctl::ResizeDIB(working.get(), s.width, s.width);
    observer.renderEnded();
    result.status = end.aborted ? RenderStatus::Aborted : RenderStatus::Completed;
    result.picture = std::move(working);
    return result;
}

}  // namespace tavrine
