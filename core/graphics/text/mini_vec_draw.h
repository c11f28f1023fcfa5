// TKsMiniVecDraw: the anti-aliased filler of small vector shapes (font glyphs and the layout's
// rectangles). One program-wide instance. Spans go either to a line batch that the screen draws
// or straight into the pixels of a locked target; every shape's spans (or, for glyphs blended
// over pixels, its coverage) are kept, keyed by its content and transform, so repeated glyphs
// are replayed instead of filled again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/base/color.h"
#include "core/graphics/vertex_array.h"

class TTexture;

// 32-bit ARGB pixels that spans are blended into; pitch in pixels.
struct TPixelTarget {
  uint32_t* pixels = nullptr;
  int width = 0, height = 0, pitch = 0;
};

class TKsMiniVecDraw {
 public:
  // Draws count vertices as a line list (pairs); the renderer's DrawVertices on the screen.
  using LineDrawer = std::function<void(const TVertex* vertices, int count)>;

  TKsMiniVecDraw();
  ~TKsMiniVecDraw();

  // The program's instance: the one installed by the platform, else one made on first use.
  static TKsMiniVecDraw& Get();
  static void SetInstance(TKsMiniVecDraw* instance);
  TKsMiniVecDraw(const TKsMiniVecDraw&) = delete;
  TKsMiniVecDraw& operator=(const TKsMiniVecDraw&) = delete;

  // Places the following shapes at (x, y) pixels, on pixels (or the line batch when null).
  // Changing target flushes the previous one first.
  bool Begin(float x, float y, const TPixelTarget* pixels);
  // The same on a texture, locked until the target changes or End; without one the renderer's
  // texture is cleared and spans go to the line batch. False when the texture cannot be locked.
  // Letting go of a texture asks the window manager for a new frame: the screen shows it.
  bool Begin(float x, float y, std::shared_ptr<TTexture> target);
  // The pixels shapes go to now (a locked texture's), null for the line batch.
  const TPixelTarget* GetTarget() const { return mTarget; }
  // Draws one shape at the origin plus (x, y) quarter pixels. The stream ends at command 8, at
  // an unknown command or after size bytes, whichever comes first.
  void DrawShape(const uint8_t* shape, uint32_t size, int x, int y);
  // Flushes the line batch and drops the target (unlocking a texture).
  void End();

  void SetColour(int number, const TColor& colour, float alphaFactor);
  // The line batch's offsets: (a/4 - 1, b/4 - 1, c/4) added to each line's start x, end x and y.
  void SetOffset(int a, int b, int c);
  // Finds the offsets that put one-pixel lines on the pixels meant on this display: draws 256
  // offset choices into a render target through the renderer and keeps the best that lights
  // exactly its pixels; (1, 1, 1) when none does. A device that drew almost nothing is tried
  // again with batches of 64 vertices. Returns whether a choice passed.
  bool CalibrateOffset();
  // One quarter-pixel span [x0, x1] on quarter row y as aliased lines in colour 0's partial
  // colours (calibration only).
  void DrawAliasedSpan(int x0, int x1, int y);
  const float* GetOffset() const { return mOffset; }

  // Transform state, read by every following shape.
  void SetScale(float sx, float sy) { mScaleX = sx; mScaleY = sy; }
  void SetRotation(float cosine, float sine) { mCos = cosine; mSin = sine; }
  // A first width of 0 disables both pens.
  void SetPenWidths(float w0, float w1) { mPenWidth[0] = w0; mPenWidth[1] = w1; }
  void SetItalic(bool italic) { mItalic = italic; }
  // Pixel modes of locked targets: replace, accumulate onto transparent, else blend over.
  void SetPixelMode(bool replace, bool accumulate) { mReplace = replace; mAccumulate = accumulate; }

  void SetLineDrawer(LineDrawer drawer) { mLineDrawer = std::move(drawer); }
  // Line-batch coordinates are pixels times this: with the display scaled, shapes are filled in
  // its device pixels and the lines handed back in the drawing's own pixels (1 / the scale).
  void SetLineScale(float scale) { FlushBatch(); mLineScale = scale; }
  // Vertices per line-batch draw (even, 2 ... 256).
  void SetBatchSize(int vertices);
  int GetBatchSize() const { return mBatchSize; }

  // Counters for tests and benchmarks.
  int GetFillCount() const { return mFills; }
  int GetReplayCount() const { return mReplays; }
  size_t GetCachedShapeCount() const { return mEntryCount; }
  // Shapes kept as coverage count the spans they would have been.
  size_t GetCachedSpanCount() const { return mSpanCount + mMaskSpans; }
  void ClearCache();
  // The cache is emptied when it would hold more spans than this.
  void SetCacheLimit(size_t spans) { mCacheLimit = spans; }

  // Tests: false keeps glyph fills on the plain row-by-row walk and blend, which the quicker
  // paths must match pixel for pixel.
  static void SetVectorFill(bool on) { sVectorFill = on; }
  // Tests: false keeps the 128-bit paths on a CPU that has 256-bit units.
  static void SetWideVectors(bool on);

  static constexpr int kCells = 3200;  // pixel columns of a coverage line, -1600 ... 1599

 private:
  // A shape point in quarter pixels (phase included) and the first sub-scan-line below it.
  struct Point {
    float x, y;
    int row;
  };
  // xStart is the crossing on the sub-scan-line startRow; each later one adds slope once, so
  // every pass over the edge sees the same rounded crossings. Edges and spans are made without
  // clearing so that their arrays can be sized ahead and filled through a pointer.
  struct Edge {
    Edge() {}
    Edge(float x, float s, int start, int end, uint8_t f, uint8_t l, bool r)
        : xStart(x), slope(s), startRow(start), endRow(end), fill(f), layer(l), reversed(r) {}
    float xStart, slope;
    int startRow, endRow;
    uint8_t fill, layer;
    bool reversed;
  };
  // An edge crossing the current sub-scan-line, kept by value so the sort moves little.
  struct Active {
    float x, slope;
    int endRow;
    uint8_t fill, layer;
    int8_t winding;
  };
  // A recorded span: pixels relative to the shape's pixel position (signed: glyph tops and left
  // bearings lie before it).
  struct Span {
    Span() {}
    Span(int16_t a, int16_t b, int16_t r, uint8_t i, uint8_t c) : x0(a), x1(b), y(r), index(i), cls(c) {}
    int16_t x0, x1, y;
    uint8_t index, cls;
  };
  struct Key {
    uint64_t hash;
    uint32_t length;
    uint8_t phaseX, phaseY, italic;
    float scaleX, scaleY, pen0, pen1, cosine, sine;
    bool operator==(const Key& o) const;
  };
  // Spans mSpans[first, first + count); or, when rows is not 0, a parity fill's coverage: rows
  // of pitch bytes from mMasks[first] (sixteen zeros before each), pixel px0 of the shape's row
  // row0 first, drawn in class cls.
  struct Entry {
    size_t first, count;
    int rows, pitch, px0, row0, cls;
  };
  // The span cache is one open-addressed table; a slot is taken when its generation is the
  // cache's, so clearing is a counter step however large the table has grown.
  struct Slot {
    Key key;
    Entry entry;
    uint32_t generation;
  };
  size_t KeyHash(const Key& k) const;

  // What Fill needs to know of a shape's edges: the sub-scan-lines they cross, about where
  // their crossings lie, whether they are all of one fill in one layer and whether every
  // crossing lies well inside the coverage line (near).
  struct Bounds {
    int minRow, maxRow;
    float lowX, highX;
    bool oneColour, near;
  };

  void SetColour32(int number, TColor32 colour, uint32_t alpha);
  bool ReadShape(const uint8_t* shape, uint32_t size);
  template <bool kPlain>
  bool ReadCommands(const uint8_t* shape, uint32_t size);
  bool ReadPlain(const uint8_t* shape, uint32_t size);
  void MeasureEdges();
  void ReleaseTexture();
  struct ShapeTransform;
  // The six sides of each pen's stroke around a line (shape units).
  void StrokeLine(Edge*& out, const ShapeTransform& transform, float x0, float y0, float x1, float y1);
  static void AddEdge(Edge*& out, const Point& a, const Point& b, uint8_t fill, uint8_t layer);
  void Fill();
  template <bool kNear>
  void FillOneColour(int minRow, int maxRow);
  static constexpr int kBlockEdges = 64;
  bool FillBlock(int8_t* cells, int count, int& lo, int& hi);
  void FillLayers(int minRow, int maxRow);
  // The sort-free fill of near one-colour shapes (mini_vec_draw_parity.cpp) whose crossings
  // lie within about lowX ... highX; false leaves the shape to the walk.
  bool FillParity(int minRow, int maxRow, float lowX, float highX);
  void EmitCoverage(int cls, const uint8_t* coverage, int px0, int count, int row);
  static Span* CoverageSpans(int cls, const uint8_t* coverage, int px0, int count, int row, Span* out);
  void DrawMask(const Entry& entry);
  // Insertion sort, stable: the order barely changes from one sub-scan-line to the next.
  static void SortByX(Active* active, int count);
  void AddStretch(int cls, int s, int e);
  // Where spans go: the line batch, or the locked pixels written, accumulated or blended over.
  // kSpansOnly records them after BlendRow has blended the row.
  enum { kLines, kReplace, kAccumulate, kBlend, kSpansOnly };
  bool BlendRow(int cls, int lo, int hi, int row);
  static void BlendCoverage(uint32_t colour, const uint8_t* coverage, size_t coveragePitch, uint32_t* pixels,
                            size_t pitch, int count, int rows);
  void EmitRow(int row);
  void EmitClass(int cls, int lo, int hi, int row);
  template <int kMode>
  void EmitClass(int cls, int lo, int hi, int row);
  template <int kMode>
  static void PutRun(uint32_t* row, int x0, int x1, int width, uint32_t colour);
  void DrawSpans(const Span* first, const Span* end);
  void FlushBatch();
  void AddLine(int x0, int x1, int y, uint32_t colour);
  bool CalibrateOnce(bool& passed);

  // Transform state.
  float mScaleX = 1, mScaleY = 1, mCos = 1, mSin = 0;
  float mPenWidth[2] = {0, 0};
  bool mItalic = false;
  bool mReplace = false, mAccumulate = false;
  float mOffset[3] = {0.25f, 0.25f, 0.25f};

  // Placement: origin pixel and quarter-pixel phase (-3 ... 0) from Begin; per shape, the
  // shape's pixel position and the phases that crossings and rows are shifted by.
  int mOriginX = 0, mOriginY = 0, mPhaseX = 0, mPhaseY = 0;
  int mShapeX = 0, mShapeY = 0, mShiftX = 0, mShiftY = 0;
  const TPixelTarget* mTarget = nullptr;
  std::shared_ptr<TTexture> mTexture;  // locked; its pixels are mTexturePixels
  TPixelTarget mTexturePixels;

  // Colour tables.
  uint8_t mClassOf[256];
  uint32_t mPartial[256][4];
  uint32_t mRamp[4][32];
  // What each colour's partial colours and each class's ramp were made from (0: nothing yet).
  uint64_t mColourKey[256] = {}, mRampKey[4] = {};
  int mColourCount = 0;

  // Per-shape fill state, reused across shapes.
  std::vector<Edge> mEdges;  // the first mEdgeCount are the shape's
  int mEdgeCount = 0;
  Bounds mBounds;
  // Plain reading's transformed points; a point's tail holds the fill and layer of the edge
  // that ends at it, and its top bit says whether one does (not after a move).
  std::vector<float> mPointX, mPointY, mPointRow;
  std::vector<uint32_t> mPointTail;
  std::vector<int> mRowHead, mNext;
  std::vector<Active> mActive;
  int mLayer = 2, mFillBase = 0, mFill1 = 0, mFill2 = 0, mTopLayer = 2;
  // Two cells past the line's end take closing deltas; eight more let rows be read a word at
  // a time.
  int8_t mCells[4][kCells + 10];
  int mTouchedLo[4], mTouchedHi[4];
  uint8_t mCoverage[kCells + 16];  // a row's running sums for BlendRow
  // The parity fill's bit rows and which of its rows cover anything; its coverage is made in
  // mMasks past the cached ones and kept there when it is the shape's cache entry.
  std::vector<uint64_t> mBits;
  std::vector<uint8_t> mRowFlags;
  Entry mFilledMask;  // set by a fill that kept its coverage (rows 0 otherwise)

  // Span cache.
  std::vector<Slot> mSlots;  // a power of two of them
  uint32_t mGeneration = 1;
  size_t mEntryCount = 0;
  std::vector<Span> mSpans;  // the first mSpanCount are recorded, the rest room to grow
  size_t mSpanCount = 0;
  std::vector<uint8_t> mMasks;  // the first mMaskEnd bytes are cached coverage
  size_t mMaskEnd = 0, mMaskSpans = 0;
  std::vector<Span> mReplaySpans;  // a kept coverage's spans, for targets that draw spans
  size_t mCacheLimit = 1 << 20;

  // Line batch (the renderer's DrawVertices unless replaced).
  std::vector<TVertex> mBatch;
  int mBatchSize = 256;
  float mLineScale = 1.0f;
  LineDrawer mLineDrawer;

  int mFills = 0, mReplays = 0;

  static TKsMiniVecDraw* sInstance;
  static bool sVectorFill;
  static bool sWide;  // the CPU's 256-bit units are used
};
