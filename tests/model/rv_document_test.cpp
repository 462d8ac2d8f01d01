// The document holder: parts created on first use, a model shared between
// documents, Clear.
#include <gtest/gtest.h>

#include "model/rv_document.h"
#include "tests/model/model_builders.h"

namespace ovix {
namespace {

TEST(RvDocument, PartsAreCreatedOnFirstUseAndKept) {
  RvDocument doc;
  EXPECT_TRUE(doc.HasSystem());  // creating a document runs Clear, which creates the model
  RvSystem& s = doc.System();
  EXPECT_EQ(&s, &doc.System());
  RvTools& t = doc.Tools();
  EXPECT_EQ(&t, &doc.Tools());
  EXPECT_DOUBLE_EQ(t.InchesToPoints(1), 72.0);
}

TEST(RvDocument, ClearEmptiesTheModel) {
  RvDocument doc;
  testing::AddTestLayer(doc.System(), "0", 0, 7);
  doc.Clear();
  EXPECT_EQ(doc.System().LayerCount(), 0);
}

TEST(RvDocument, ASharedModelIsTheSameDrawing) {
  RvDocument main;
  {
    RvDocument reader;
    reader.SetRvSystem(main.SharedSystem());
    EXPECT_EQ(&reader.System(), &main.System());
    testing::AddTestLayer(reader.System(), "外形", 0, 3);
  }
  // The reader's document is gone; the drawing it wrote stays.
  EXPECT_EQ(main.System().LayerCount(), 1);
  EXPECT_EQ(main.System().LayerName(0), "外形");

  RvDocument exporter;
  exporter.SetRvSystem(main.SharedSystem());
  exporter.Clear();  // clearing a document clears the model it uses
  EXPECT_EQ(main.System().LayerCount(), 0);
  exporter.SetRvSystem(nullptr);
  EXPECT_FALSE(exporter.HasSystem());
  EXPECT_NE(&exporter.System(), &main.System());
}

}  // namespace
}  // namespace ovix
