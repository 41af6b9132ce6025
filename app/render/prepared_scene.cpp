#include "app/render/prepared_scene.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/render/fast/fast_tracer.h"
#include "app/render/pixel_colour.h"
#include "util/check.h"
#include "util/error.h"

namespace tavrine {

namespace {

// Scratch memory kept between renderings for the next: what a rendering learns (where the rays
// from each facet in each direction went) is a good start for the next one, usually the same
// stone a step away. A scratch that does not fit the scene is made anew.
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
        if (!scratch) return;
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

// The rows of one frame between the calling thread (which hands them out, renders some itself and
// makes every observer call) and the workers (which only render). Everything but `stop` is
// guarded by `lock`; workers wait on it only for a row to be released.
struct RowBoard {
    std::mutex lock;
    std::condition_variable rowReleased;
    std::condition_variable rowDone;
    int32_t released = 0;           // rows that may be taken: 0 to released - 1
    int32_t nextRow = 0;            // the next row to take
    std::vector<int32_t> finished;  // rows finished since the calling thread last looked
    bool failed = false;            // rendering a row threw
    std::string failure;
    int32_t working = 0;            // workers that have not left the frame
    std::atomic<bool> stop{false};  // no more rows: abort, failure or the end

    // Lets every worker leave once no released row is left. Set under the lock, so that no worker
    // misses the wake-up between its test and its wait.
    void stopWorkers() {
        {
            std::lock_guard<std::mutex> guard(lock);
            stop = true;
        }
        rowReleased.notify_all();
    }

    // Takes the next released row, or returns -1 when none is left; waits for one to be released
    // unless the rows are stopped (or `wait` is false).
    int32_t takeRow(bool wait) {
        std::unique_lock<std::mutex> guard(lock);
        if (wait) rowReleased.wait(guard, [&] { return stop.load() || nextRow < released; });
        return nextRow < released ? nextRow++ : -1;
    }

    void fail(std::string why) {
        std::lock_guard<std::mutex> guard(lock);
        if (!failed) failure = std::move(why);
        failed = true;
    }
};

// What every thread reads while it renders a frame's rows.
struct FrameJob {
    const RenderSettings& settings;
    const RenderScene& scene;
    const FastTracer* fast;  // null for the literal path
    uint8_t* rows;           // the working picture's pixels
    int32_t workingWidth;    // W, or 2W in HQ
    int32_t scale;           // pixels per model unit in the working picture
    RowBoard& board;
    RadianceBuffer* radiance;  // the pixels' light, when asked for; each thread writes its rows
};

// One thread's memory for rendering rows: the faster tracer's scratch, or the literal tracer's
// arrays, and a row of positions and colours.
struct RowMemory {
    std::unique_ptr<FastTracer::Scratch> scratch;
    std::vector<int32_t> candidates;
    std::vector<Vec3> relative;
    std::vector<Vec3> projected;
    std::vector<double> xs;  // the primary rays' x by column, the same in every row
    int32_t xsWidth = 0;     // the working width and scale xs was made for
    int32_t xsScale = 0;
    std::vector<uint32_t> colours;
    std::vector<PixelLight> lights;  // only when the frame's light is asked for

    // Makes the memory fit the frame.
    void prepare(const FrameJob& job) {
        const size_t w2 = static_cast<size_t>(job.workingWidth);
        if (xsWidth != job.workingWidth || xsScale != job.scale) {
            xs.resize(w2);
            for (int32_t column = 0; column < job.workingWidth; ++column) {
                xs[column] = primaryRayOrigin(column, 0, job.workingWidth, job.scale).x;
            }
            xsWidth = job.workingWidth;
            xsScale = job.scale;
        }
        colours.resize(w2);
        lights.resize(job.radiance != nullptr ? w2 : 0);
        if (job.fast == nullptr) {
            candidates.resize(static_cast<size_t>(std::max(job.scene.facetCount, 1)));
            relative.resize(static_cast<size_t>(std::max(job.scene.vertexCount, 1)));
            projected.resize(relative.size());
        } else if (!scratch || !scratch->fits(job.scene)) {
            ScratchShelf::giveBack(std::move(scratch));
            scratch = ScratchShelf::take(job.scene);
        }
    }
};

// Renders image row `row` of the working picture.
void renderRow(const FrameJob& job, RowMemory& memory, int32_t row) {
    const RenderSettings& s = job.settings;
    const int32_t w2 = job.workingWidth;
    const double y = primaryRayOrigin(0, row, w2, job.scale).y;
    // The pixels' light only when it is asked for, so that a plain rendering does no more.
    PixelLight* const light = job.radiance != nullptr ? memory.lights.data() : nullptr;
    if (job.fast != nullptr) {
        job.fast->pixelColours(memory.xs.data(), w2, y, memory.colours.data(), *memory.scratch,
                               light);
    } else {
        for (int32_t column = 0; column < w2; ++column) {
            memory.colours[column] =
                literalPixelColour(s, job.scene, memory.xs[column], y, memory.candidates.data(),
                                   memory.relative.data(), memory.projected.data(),
                                   light != nullptr ? &light[column] : nullptr);
        }
    }
    imgctl::setImageRow(job.rows, w2, w2, row, memory.colours.data());
    if (light != nullptr) {
        RadianceBuffer& radiance = *job.radiance;
        const size_t at = static_cast<size_t>(row) * static_cast<size_t>(w2);
        for (int32_t column = 0; column < w2; ++column) {
            radiance.luminance[at + column] = luminance(light[column]);
            radiance.meetsStone[at + column] = light[column].meetsStone ? 1 : 0;
        }
    }
}

// A worker's part of the frame: renders rows as they are released, until the rows are stopped
// and none released is left, then leaves the frame (and touches its board no more, which the
// calling thread may then drop). Nothing thrown leaves it: a failure is put on the board, which
// stops the frame.
void renderRows(const FrameJob& job, RowMemory& memory) {
    RowBoard& board = job.board;
    try {
        memory.prepare(job);
        for (int32_t row = board.takeRow(true); row >= 0; row = board.takeRow(true)) {
            renderRow(job, memory, row);
            {
                std::lock_guard<std::mutex> guard(board.lock);
                board.finished.push_back(row);
            }
            board.rowDone.notify_one();
        }
    } catch (const std::exception& e) {
        board.fail(std::string("a render worker failed: ") + e.what());
    } catch (...) {
        board.fail("a render worker failed");
    }
    std::lock_guard<std::mutex> guard(board.lock);
    --board.working;
    board.rowDone.notify_one();
}

RenderResult failedRender(RenderObserver& observer, std::string error) {
    RenderResult result;
    result.status = RenderStatus::Failed;
    result.error = std::move(error);
    observer.loopFinished();
    observer.renderEnded();
    return result;
}

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

// How the hand-out of the rows ended.
struct HandOutEnd {
    bool aborted = false;
    bool failed = false;
    std::string failure;
};

}  // namespace

struct PreparedScene::Impl {
    RenderSettings settings;
    RenderExecution execution;
    // The last frame's tracer: its facet data serves the next frame of the same stone.
    std::unique_ptr<FastTracer> lastTracer;
    // The calling thread's memory, and the workers' (one each).
    RowMemory ownMemory;
    std::vector<RowMemory> workerMemory;

    // The worker threads wait for a frame under `lock`: `frame` is the frame in hand and
    // `generation` counts the frames.
    std::mutex lock;
    std::condition_variable frameStarted;
    const FrameJob* frame = nullptr;
    uint64_t generation = 0;
    bool quitting = false;
    std::vector<std::thread> pool;

    Impl(const RenderSettings& s, const RenderExecution& e) : settings(s), execution(e) {}

    ~Impl() {
        {
            std::lock_guard<std::mutex> guard(lock);
            quitting = true;
        }
        frameStarted.notify_all();
        for (std::thread& t : pool) t.join();
        ScratchShelf::giveBack(std::move(ownMemory.scratch));
        for (RowMemory& m : workerMemory) ScratchShelf::giveBack(std::move(m.scratch));
    }

    // Worker `index`'s loop: renders its part of every frame until the object goes.
    void work(size_t index) {
        uint64_t seen = 0;
        for (;;) {
            const FrameJob* job = nullptr;
            {
                std::unique_lock<std::mutex> guard(lock);
                frameStarted.wait(guard, [&] { return quitting || generation != seen; });
                if (quitting) return;
                seen = generation;
                job = frame;
            }
            renderRows(*job, workerMemory[index]);
        }
    }

    // Starts workers until there are `wanted` (or no more can be had); returns how many there are.
    size_t startWorkers(size_t wanted) {
        if (workerMemory.size() < wanted) workerMemory.resize(wanted);
        while (pool.size() < wanted) {
            try {
                pool.emplace_back(&Impl::work, this, pool.size());
            } catch (const std::system_error&) {
                break;  // the rows are shared among those there are
            }
        }
        return pool.size();
    }

    // Hands the frame to every worker.
    void startFrame(const FrameJob& job) {
        job.board.working = static_cast<int32_t>(pool.size());
        {
            std::lock_guard<std::mutex> guard(lock);
            frame = &job;
            ++generation;
        }
        frameStarted.notify_all();
    }

    // Stops the rows and waits until every worker has left the frame.
    static void finishFrame(RowBoard& board) {
        board.stopWorkers();
        std::unique_lock<std::mutex> guard(board.lock);
        board.rowDone.wait(guard, [&] { return board.working == 0; });
    }

    HandOutEnd handOutRows(const FrameJob& job, RenderObserver& observer,
                           const imgctl::DibData& picture, size_t threads);
};

// Releases the rows one poll at a time, a few ahead of the rendering, renders the released rows
// no worker has taken, and reports the finished rows and the percentage; makes every observer
// call on the calling thread, holding no lock. Returns when every released row is finished and no
// worker renders any more: after the last row, an abort or a failure.
HandOutEnd PreparedScene::Impl::handOutRows(const FrameJob& job, RenderObserver& observer,
                                            const imgctl::DibData& picture, size_t threads) {
    RowBoard& board = job.board;
    const RenderSettings& s = job.settings;
    const int32_t w2 = job.workingWidth;
    const int32_t ahead = 2 * static_cast<int32_t>(threads);
    HandOutEnd end;
    int32_t rowsDone = 0;
    int32_t lastPercent = 0;
    int32_t released = 0;
    std::vector<int32_t> finished;
    bool memoryReady = false;
    for (;;) {
        int32_t newlyReleased = 0;
        while (!end.aborted && !end.failed && released < w2 && released - rowsDone < ahead) {
            if (observer.abortRequested()) {
                end.aborted = true;
                break;
            }
            ++released;
            ++newlyReleased;
            std::lock_guard<std::mutex> guard(board.lock);
            board.released = released;
        }
        if (newlyReleased > 0) board.rowReleased.notify_all();
        // After an abort, a failure or the last row, the released rows are finished and the
        // workers leave the frame.
        if (end.aborted || end.failed || rowsDone >= w2) board.stopWorkers();
        // A released row no worker has taken: the calling thread renders it.
        const int32_t row = board.takeRow(false);
        if (row >= 0) {
            try {
                if (!memoryReady) ownMemory.prepare(job);
                memoryReady = true;
                renderRow(job, ownMemory, row);
                std::lock_guard<std::mutex> guard(board.lock);
                board.finished.push_back(row);
            } catch (const std::exception& e) {
                board.fail(std::string("a render worker failed: ") + e.what());
            } catch (...) {
                board.fail("a render worker failed");
            }
        }
        bool over = false;
        {
            std::unique_lock<std::mutex> guard(board.lock);
            if (row < 0) {
                // Nothing to render: wait for a worker's row, or for the workers to be done.
                board.rowDone.wait(guard, [&] {
                    return !board.finished.empty() || (board.failed && !end.failed) ||
                           (board.stop && board.working == 0);
                });
            }
            // A worker pushes its last row before it leaves, so once none works every row
            // rendered is among those taken here.
            finished.swap(board.finished);
            if (board.failed && !end.failed) {
                end.failed = true;
                end.failure = board.failure;
            }
            over = board.stop && board.nextRow >= board.released && board.working == 0;
        }
        for (const int32_t done : finished) {
            ++rowsDone;
            if (!s.highQuality && !end.failed) observer.rowFinished(done, picture);
            // The percentage is rounded to single precision before it is truncated.
            const int32_t percent = static_cast<int32_t>(
                static_cast<float>(static_cast<double>(rowsDone) * 100.0 / w2));
            if (percent > lastPercent) {
                lastPercent = percent;
                observer.progress(percent);
            }
        }
        finished.clear();
        if (over) return end;
    }
}

PreparedScene::PreparedScene(const RenderSettings& settings, const RenderExecution& execution)
    : impl_(std::make_unique<Impl>(settings, execution)) {}

PreparedScene::~PreparedScene() = default;

const RenderSettings& PreparedScene::settings() const { return impl_->settings; }

RenderResult PreparedScene::render(const RenderScene& scene, imgctl::DibPtr picture) {
    RenderObserver quiet;
    return render(scene, std::move(picture), quiet);
}

RenderResult PreparedScene::render(const RenderScene& scene, imgctl::DibPtr picture,
                                   RenderObserver& observer, RadianceBuffer* radiance) {
    Impl& impl = *impl_;
    const RenderSettings& s = impl.settings;
    observer.renderStarted();
    observer.progress(0);

    if (s.width <= 0) return failedRender(observer, "the picture width is not positive");
    const int32_t factor = s.highQuality ? 2 : 1;
    const int32_t w2 = s.width * factor;
    std::string error;
    imgctl::DibPtr working = workingPicture(s, std::move(picture), &error);
    if (!working) return failedRender(observer, error);
    const imgctl::DibData* data = imgctl::DataDIB(working.get());
    // The rows are written whole into a 24-bit W x W (2W x 2W in HQ) picture without checking.
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

    if (!impl.execution.literal) {
        try {
            impl.lastTracer = std::make_unique<FastTracer>(s, scene, FastTracer::VectorUnit::Best,
                                                           impl.lastTracer.get());
        } catch (const std::exception& e) {
            impl.lastTracer.reset();
            return failedRender(observer,
                                std::string("the tracer could not be prepared: ") + e.what());
        }
    }

    RowBoard board;
    const FrameJob job{
        s,          scene,   impl.execution.literal ? nullptr : impl.lastTracer.get(),
        data->rows, w2,      static_cast<int32_t>(s.imageScale * factor),
        board,      radiance};
    int32_t threads = impl.execution.threads;
    if (threads <= 0) {
        threads = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    }
    threads = std::min(threads, std::max(w2, 1));
    const size_t helpers = impl.startWorkers(static_cast<size_t>(threads - 1));
    impl.startFrame(job);
    // Should an observer call throw, the workers leave the frame before the picture goes.
    struct FinishOnExit {
        RowBoard& board;
        ~FinishOnExit() { Impl::finishFrame(board); }
    } finishOnExit{board};

    const HandOutEnd end = impl.handOutRows(job, observer, *data, helpers + 1);

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
