#include "app/render/render_job.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/render/fast/fast_tracer.h"
#include "app/render/pixel_colour.h"

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

}  // namespace

RenderResult renderJob(const RenderSettings& s, const RenderScene& scene, imgctl::DibPtr picture,
                       RenderObserver& observer, const RenderExecution& execution) {
    observer.renderStarted();
    observer.progress(0);

    if (s.width <= 0) return failedRender(observer, "the picture width is not positive");
    const int32_t factor = s.highQuality ? 2 : 1;
    const int32_t w2 = s.width * factor;
    if (picture) {
        const imgctl::DibData* given = imgctl::DataDIB(picture.get());
        if (given == nullptr || given->bitCount != 24 || given->width != s.width ||
            given->height != s.width) {
            return failedRender(observer, "the render picture is not a 24-bit picture of " +
                                              std::to_string(s.width) + " x " +
                                              std::to_string(s.width) + " pixels");
        }
    }
    // The job works in a picture of its own size: the given one, or a new one (2W x 2W in HQ).
    imgctl::DibPtr working;
    if (picture && !s.highQuality) {
        working = std::move(picture);
    } else {
        imgctl::BitmapInfoHeader header;
        header.width = w2;
        header.height = -w2;
        working.reset(imgctl::CreateDIB(header));
        if (!working) {
            return failedRender(observer, "no memory for a picture of " + std::to_string(w2) +
                                              " x " + std::to_string(w2) + " pixels");
        }
    }
    const int32_t scale = static_cast<int32_t>(s.imageScale * factor);
    const imgctl::DibData* data = imgctl::DataDIB(working.get());
    uint8_t* rows = data->rows;

    std::unique_ptr<FastTracer> fast;
    try {
        fast = std::make_unique<FastTracer>(s, scene);
    } catch (const std::exception& e) {
        return failedRender(observer, std::string("the tracer could not be prepared: ") + e.what());
    }

    RowBoard board;
    auto renderRows = [&]() {
        // The literal path keeps its own scratch arrays below.
        std::unique_ptr<FastTracer::Scratch> kept =
            execution.literal ? nullptr : ScratchShelf::take(scene);
        struct GiveBack {
            std::unique_ptr<FastTracer::Scratch>& scratch;
            ~GiveBack() {
                if (scratch) ScratchShelf::giveBack(std::move(scratch));
            }
        } giveBack{kept};
        const size_t facetRoom = static_cast<size_t>(std::max(scene.facetCount, 1));
        const size_t vertexRoom = static_cast<size_t>(std::max(scene.vertexCount, 1));
        std::vector<int32_t> candidates(execution.literal ? facetRoom : 0);
        std::vector<Vec3> relative(execution.literal ? vertexRoom : 0);
        std::vector<Vec3> projected(execution.literal ? vertexRoom : 0);
        std::vector<double> xs(static_cast<size_t>(w2));
        std::vector<uint32_t> colours(static_cast<size_t>(w2));
        for (;;) {
            int32_t row;
            {
                std::unique_lock<std::mutex> lock(board.lock);
                board.rowReleased.wait(
                    lock, [&] { return board.stop.load() || board.nextRow < board.released; });
                if (board.nextRow >= board.released) return;
                row = board.nextRow++;
            }
            const double y = primaryRayOrigin(0, row, w2, scale).y;
            for (int32_t column = 0; column < w2; ++column) {
                const Vec3 o = primaryRayOrigin(column, row, w2, scale);
                xs[column] = o.x;
                colours[column] = execution.literal
                                      ? literalPixelColour(s, scene, o.x, o.y, candidates.data(),
                                                           relative.data(), projected.data())
                                      : 0;
            }
            if (!execution.literal) fast->pixelColours(xs.data(), w2, y, colours.data(), *kept);
            for (int32_t column = 0; column < w2; ++column) {
                imgctl::setImagePixel(rows, w2, w2, column, row, colours[column]);
            }
            {
                std::lock_guard<std::mutex> lock(board.lock);
                board.finished.push_back(row);
            }
            board.rowDone.notify_one();
        }
    };
    // Nothing thrown leaves a worker: a failure stops the job and is reported by the caller.
    auto worker = [&]() {
        try {
            renderRows();
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
    };

    int32_t threads = execution.threads;
    if (threads <= 0)
        threads = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::min(threads, std::max(w2, 1));
    std::vector<std::thread> pool;
    pool.reserve(static_cast<size_t>(threads));
    std::string startFailure;
    for (int32_t i = 0; i < threads; ++i) {
        {
            std::lock_guard<std::mutex> lock(board.lock);
            ++board.running;
        }
        try {
            pool.emplace_back(worker);
        } catch (const std::system_error& e) {
            std::lock_guard<std::mutex> lock(board.lock);
            --board.running;
            startFailure = std::string("no render worker could start: ") + e.what();
            break;  // go on with the workers that started
        }
    }
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

    // The calling thread releases rows one poll at a time, a few ahead of the workers, and makes
    // every observer call itself, holding no lock.
    const int32_t ahead = 2 * static_cast<int32_t>(pool.size());
    int32_t rowsDone = 0;
    int32_t lastPercent = 0;
    bool aborted = false;
    bool failed = false;
    std::string failure;
    int32_t released = 0;
    std::vector<int32_t> finished;
    for (;;) {
        while (!aborted && !failed && released < w2 && released - rowsDone < ahead) {
            if (observer.abortRequested()) {
                aborted = true;
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
        if (aborted || failed || rowsDone >= w2) board.stopWorkers();
        bool allReturned = false;
        {
            std::unique_lock<std::mutex> lock(board.lock);
            board.rowDone.wait(lock, [&] {
                return !board.finished.empty() || (board.failed && !failed) || board.running == 0;
            });
            finished.swap(board.finished);
            if (board.failed && !failed) {
                failed = true;
                failure = board.failure;
            }
            allReturned = board.running == 0;
        }
        for (const int32_t row : finished) {
            ++rowsDone;
            if (!s.highQuality && !failed) observer.rowFinished(row, *data);
            // The percentage is rounded to single precision before it is truncated.
            const int32_t percent = static_cast<int32_t>(
                static_cast<float>(static_cast<double>(rowsDone) * 100.0 / w2));
            if (percent > lastPercent) {
                lastPercent = percent;
                observer.progress(percent);
            }
        }
        finished.clear();
        if (allReturned) break;
    }
    board.stopWorkers();
    for (std::thread& t : pool) t.join();

    if (failed) {
        observer.loopFinished();
        observer.renderEnded();
        RenderResult result;
        result.status = RenderStatus::Failed;
        result.error = failure;
        return result;
    }
    observer.loopFinished();
    if (s.highQuality) imgctl::ResizeDIB(working.get(), s.width, s.width);
    observer.renderEnded();
    RenderResult result;
    result.status = aborted ? RenderStatus::Aborted : RenderStatus::Completed;
    result.picture = std::move(working);
    return result;
}

}  // namespace tavrine
