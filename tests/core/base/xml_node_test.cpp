// The XML reader's tolerant tokenizer, the writer's exact layout, ZXML containers and the
// bounds on damaged or hostile input.
#include <expat.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/asset_file_list.h"
#include "core/base/xml_node.h"
#include "core/base/zxml.h"
#include "tests/core/base/file_fixture.h"
#include "tools/kspack/pack_writer.h"

namespace {

// A compact picture of a tree: name[attr=value|attr="quoted"](text){children}.
std::string Shape(TXmlNode* node) {
  std::string out = node->GetName().c_str();
  node->ResetAttributeIterator();
  TStr name, value;
  std::string attrs;
  while (node->GetNextAttribute(name, value)) {
    bool quoted = false;
    node->GetAttribute(name.c_str(), &quoted);
    attrs += std::string(attrs.empty() ? "" : "|") + name.c_str() + "=" + (quoted ? "\"" : "") + value.c_str() +
             (quoted ? "\"" : "");
  }
  if (!attrs.empty()) out += "[" + attrs + "]";
  if (node->GetText().Length()) out += std::string("(") + node->GetText().c_str() + ")";
  if (node->HasChildren()) {
    out += "{";
    node->ResetChildIterator();
    TXmlNode* child;
    bool first = true;
    while (node->GetNextChild(name, child)) {
      out += (first ? "" : ",") + Shape(child);
      first = false;
    }
    out += "}";
  }
  return out;
}

std::string Parse(const std::string& text) {
  TXmlNode doc;
  doc.LoadString(text.c_str());
  return Shape(&doc);
}

std::string Zxml(const std::string& text) {
  std::vector<char> out;
  EXPECT_TRUE(ZxmlEncode(text.data(), text.size(), &out));
  return std::string(out.begin(), out.end());
}

// The document as a standard reader sees it: markup events in order, character data trimmed;
// "not well-formed: ..." when it refuses the text.
std::string ExpatView(const std::string& xml) {
  struct View {
    std::string out, text;
    void Flush() {
      size_t a = text.find_first_not_of(" \t\r\n"), b = text.find_last_not_of(" \t\r\n");
      if (a != std::string::npos) out += "'" + text.substr(a, b - a + 1) + "'";
      text.clear();
    }
  } view;
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUserData(parser, &view);
  XML_SetElementHandler(
      parser,
      [](void* v, const XML_Char* name, const XML_Char** attrs) {
        View* w = (View*)v;
        w->Flush();
        w->out += std::string("<") + name;
        for (int i = 0; attrs[i]; i += 2) w->out += std::string(" ") + attrs[i] + "=" + attrs[i + 1];
        w->out += ">";
      },
      [](void* v, const XML_Char* name) {
        View* w = (View*)v;
        w->Flush();
        w->out += std::string("</") + name + ">";
      });
  XML_SetCharacterDataHandler(parser, [](void* v, const XML_Char* s, int n) { ((View*)v)->text.append(s, (size_t)n); });
  XML_SetCommentHandler(parser, [](void* v, const XML_Char* data) {
    View* w = (View*)v;
    w->Flush();
    w->out += std::string("<!--") + data + "-->";
  });
  XML_SetProcessingInstructionHandler(parser, [](void* v, const XML_Char* target, const XML_Char* data) {
    View* w = (View*)v;
    w->Flush();
    w->out += std::string("<?") + target + "|" + data + "?>";
  });
  XML_SetCdataSectionHandler(
      parser,
      [](void* v) {
        ((View*)v)->Flush();
        ((View*)v)->out += "[CDATA[";
      },
      [](void* v) {
        ((View*)v)->Flush();
        ((View*)v)->out += "]]";
      });
  XML_SetStartDoctypeDeclHandler(parser, [](void* v, const XML_Char* name, const XML_Char*, const XML_Char*, int subset) {
    ((View*)v)->out += std::string("<!DOCTYPE ") + name + (subset ? " [...]" : "") + ">";
  });
  XML_SetXmlDeclHandler(parser, [](void* v, const XML_Char* version, const XML_Char* encoding, int) {
    ((View*)v)->out += std::string("<?xml ") + (version ? version : "") + " " + (encoding ? encoding : "") + "?>";
  });
  bool ok = XML_Parse(parser, xml.data(), (int)xml.size(), 1) == XML_STATUS_OK;
  std::string result = ok ? view.out : std::string("not well-formed: ") + XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  return result;
}

// What the writer makes of a document: each top-level node written in turn.
std::string WriteDocument(TXmlNode& doc) {
  std::string out;
  TStr name;
  TXmlNode* child;
  doc.ResetChildIterator();
  while (doc.GetNextChild(name, child)) out += child->ToString().c_str();
  return out;
}

}  // namespace

// Comments, processing instructions, CDATA sections, the document type and non-ASCII text each
// survive a load and a save: the tree read, the text written, a standard reader's view of that
// text, and our reader's tree of it, which is the first one again.
TEST(XmlRoundTrip, MarkupOtherThanElementsKeepsItsOwnSyntax) {
  const struct {
    const char* what;
    const char* xml;
    const char* tree;
    const char* written;
    const char* standard;
  } cases[] = {
      {"comment holding markup",
       "<root><!-- see <b>bold</b> & write to <someone@example.org> --><item/></root>",
       "{root{!--( see <b>bold</b> & write to <someone@example.org> ),item}}",
       "<root>\n    <!-- see <b>bold</b> & write to <someone@example.org> -->\n    <item>\n    </item>\n</root>\n",
       "<root><!-- see <b>bold</b> & write to <someone@example.org> --><item></item></root>"},
      {"comment without a blank", "<list><!--first--><a/><b/></list>", "{list{!--(first),a,b}}",
       "<list>\n    <!--first-->\n    <a>\n    </a>\n    <b>\n    </b>\n</list>\n",
       "<list><!--first--><a></a><b></b></list>"},
      {"processing instructions",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?><doc/>",
       "{?xml[version=\"1.0\"|encoding=\"UTF-8\"],?xml-stylesheet[type=\"text/xsl\"|href=\"s.xsl\"],doc}",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\" ?>\n<doc>\n</doc>\n",
       "<?xml 1.0 UTF-8?><?xml-stylesheet|type=\"text/xsl\" href=\"s.xsl\" ?><doc></doc>"},
      {"CDATA section", "<script><![CDATA[if (a < b && c > d) x = \"]\";]]></script>",
       "{script{![CDATA[(if (a < b && c > d) x = \"]\";)}}",
       "<script>\n    <![CDATA[if (a < b && c > d) x = \"]\";]]>\n</script>\n",
       "<script>[CDATA['if (a < b && c > d) x = \"]\";']]</script>"},
      {"non-ASCII text", "<name title=\"\xC3\x86r\xC3\xB8\">caf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC" "5</name>",
       "{name[title=\"\xC3\x86r\xC3\xB8\"](caf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC" "5)}",
       "<name\n    title=\"\xC3\x86r\xC3\xB8\">\ncaf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC" "5\n</name>\n",
       "<name title=\xC3\x86r\xC3\xB8>'caf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC" "5'</name>"},
      {"document type with an internal subset",
       "<!DOCTYPE note [\n  <!ENTITY who \"a > b\">\n  <!-- ] > -->\n  <!ELEMENT note (#PCDATA)>\n]><note>hello</note>",
       "{!DOCTYPE(note [\n  <!ENTITY who \"a > b\">\n  <!-- ] > -->\n  <!ELEMENT note (#PCDATA)>\n]),note(hello)}",
       "<!DOCTYPE note [\n  <!ENTITY who \"a > b\">\n  <!-- ] > -->\n  <!ELEMENT note (#PCDATA)>\n]>\n<note>\nhello\n</note>\n",
       "<!DOCTYPE note [...]><!-- ] > --><note>'hello'</note>"},
  };
  for (const auto& c : cases) {
    TXmlNode doc;
    doc.LoadString(c.xml);
    EXPECT_FALSE(doc.HadParseError()) << c.what;
    EXPECT_EQ(Shape(&doc), c.tree) << c.what;
    std::string written = WriteDocument(doc);
    EXPECT_EQ(written, c.written) << c.what;
    EXPECT_EQ(ExpatView(written), c.standard) << c.what;
    TXmlNode again;
    again.LoadString(written.c_str());
    EXPECT_EQ(Shape(&again), Shape(&doc)) << c.what;
  }
}

// Text the tokenizer would take apart is written so that it reads back whole.
TEST(XmlRoundTrip, BuiltTreesReadBackUnchanged) {
  TXmlNode root("data");
  root.AddText(TStr("a=b  two blanks \"q\" "), 21);
  root.SetAttribute("latin1", "caf\xE9 \xC3");  // not UTF-8: kept as references
  root.AddAttribute(TStr("bare"), TStr("x y=z"), false);
  root.AddAttribute(TStr("last"), TStr("/path"), false);
  root.AddChild(TStr(kXmlCommentName))->AddText(TStr("a --> b"), 7);
  root.AddChild(TStr(kXmlCDataName))->AddText(TStr("x]]>y"), 5);
  root.AddChild(TStr("child"));
  std::string written = root.ToString().c_str();
  TXmlNode doc;
  doc.LoadString(written.c_str());
  ASSERT_EQ(doc.GetChildCount(), 1) << written;
  TXmlNode* back = doc.GetChild("data");
  EXPECT_STREQ(back->GetText().c_str(), "a=b  two blanks \"q\" ");
  EXPECT_STREQ(back->GetAttribute("latin1").c_str(), "caf\xE9 \xC3");
  EXPECT_STREQ(back->GetAttribute("bare").c_str(), "x y=z");
  EXPECT_STREQ(back->GetAttribute("last").c_str(), "/path");
  EXPECT_EQ(back->GetChildCount(), 4);
  EXPECT_NE(written.find("caf&#233; &#195;"), std::string::npos) << written;
}

TEST(XmlReader, TolerantCases) {
  const struct {
    const char* xml;
    const char* shape;
  } cases[] = {
      {"<a x=1 y = \"two words\">text  here</a>", "{a[x=1|y=\"two words\"](text here)}"},
      {"<a><b/><c></c></a>", "{a{b,c}}"},
      {"<?xml version=\"1.0\"?><root/>", "{?xml[version=\"1.0\"],root}"},
      {"<!DOCTYPE html><r/>", "{!DOCTYPE(html),r}"},
      {"<a><!-- a note --><b/></a>", "{a{!--( a note ),b}}"},
      {"<a><!--note--><b/></a>", "{a{!--(note),b}}"},
      {"<p>x<br/>y</p>", "{p(x y){br}}"},
      {"<p>x<br />y</p>", "{p(x y){br}}"},
      {"<t>  one \n\t two   </t>", "{t(one two)}"},
      {"<t>a=b c>d</t>", "{t(a = b c > d)}"},
      {"<t>say \"hi there\"</t>", "{t(say hi there)}"},
      {"<t>&amp; &lt; &gt; &quot; &apos; &bogus; &</t>", "{t(& < > \" ' &bogus; &)}"},
      {"<t v=\"&#233;\"/>", "{t[v=\"\xE9\"]}"},
      {"<t v=\"&#195;&#169;\"/>", "{t[v=\"\xC3\xA9\"]}"},
      {"<t>&#8364;</t>", "{t(\xE2\x82\xAC)}"},
      {"<t>a&#0;b</t>", "{t(ab)}"},
      {"<t a=1 b/>", "{t[a=1]}"},
      {"<a x=1/><b/>", "{a[x=1],b}"},
      // Closing tags close whatever is open, whatever their names.
      {"<a><b></a></b><c/>", "{a{b},c}"},
      // Entities are text even when they decode to markup.
      {"<t v=\"a&gt;b\" w=&lt;>x &lt; y &gt; z &#61; w</t>", "{t[v=\"a>b\"|w=<](x < y > z = w)}"},
      {"<a>\xC3\xA9t\xC3\xA9</a>", "{a(\xC3\xA9t\xC3\xA9)}"},
      {"", ""},
      {"just text", "(just text)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.xml), c.shape) << c.xml;
}

TEST(XmlReader, InputEndingInsideATagKeepsWhatCameBefore) {
  for (const char* xml : {"<a><b x=\"1\"", "<a><b", "<a><", "<a x=\"open"}) {
    TXmlNode doc;
    doc.LoadString(xml);
    EXPECT_TRUE(doc.HadParseError()) << xml;
    ASSERT_NE(doc.GetChild("a"), nullptr) << xml;
  }
  TXmlNode fine;
  fine.LoadString("<a><b/></a>");
  EXPECT_FALSE(fine.HadParseError());
  // A NUL byte ends the piece of text it stands in.
  TXmlNode nul;
  nul.LoadString("<a>xy\0z more</a>", 17);
  ASSERT_NE(nul.GetChild("a"), nullptr);
  EXPECT_STREQ(nul.GetChild("a")->GetText().c_str(), "xy more");
}

TEST(XmlReader, AccessorsAndBuilders) {
  TXmlNode doc;
  doc.LoadString("<root k=\"v\" k=\"second\"><item>one</item><item>two</item><x/></root>");
  TXmlNode* root = doc.GetChild("root");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(doc.GetChild("Root"), nullptr);
  EXPECT_STREQ(root->GetChildText("item").c_str(), "one");
  EXPECT_STREQ(root->GetChildText("none").c_str(), "");
  EXPECT_STREQ(root->GetAttribute("k").c_str(), "v");
  EXPECT_STREQ(root->GetAttribute("missing").c_str(), "");
  root->SetAttribute("k", "new");
  root->SetAttributeInt("n", -42);
  EXPECT_STREQ(root->GetAttribute("k").c_str(), "new");
  EXPECT_STREQ(root->GetAttribute("n").c_str(), "-42");
  EXPECT_EQ(Shape(root), "root[k=\"new\"|k=\"second\"|n=\"-42\"]{item(one),item(two),x}");
}

// Large elements are looked up through a table: what a lookup, a change and the writer see must
// stay as for a small one, with attributes added between lookups.
TEST(XmlReader, ManyAttributesKeepTheirOrderAndTheFirstOfANameWins) {
  std::string xml = "<e";
  for (int i = 0; i < 3000; ++i) xml += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  xml += " a7=\"again\"/>";
  TXmlNode doc;
  doc.LoadString(xml.c_str());
  TXmlNode* e = doc.GetChild("e");
  ASSERT_NE(e, nullptr);
  for (int i : {0, 7, 15, 16, 2999})
    EXPECT_STREQ(e->GetAttribute(("a" + std::to_string(i)).c_str()).c_str(), std::to_string(i).c_str());
  EXPECT_STREQ(e->GetAttribute("a3000").c_str(), "");
  e->AddAttribute(TStr("late"), TStr("1"), false);
  e->AddAttribute(TStr("late"), TStr("2"), true);
  e->SetAttribute("fresh", "3");
  e->SetAttribute("a7", "changed");  // the first of the two
  bool quoted = true;
  EXPECT_STREQ(e->GetAttribute("late", &quoted).c_str(), "1");
  EXPECT_FALSE(quoted);
  EXPECT_STREQ(e->GetAttribute("fresh").c_str(), "3");
  std::vector<std::string> order;
  TStr name, value;
  e->ResetAttributeIterator();
  while (e->GetNextAttribute(name, value)) order.push_back(std::string(name.c_str()) + "=" + value.c_str());
  ASSERT_EQ(order.size(), 3004u);
  EXPECT_EQ(order[7], "a7=changed");
  EXPECT_EQ(order[3000], "a7=again");
  EXPECT_EQ(order[3001], "late=1");
  EXPECT_EQ(order[3003], "fresh=3");
  std::string written = e->ToString().c_str();
  EXPECT_LT(written.find("a7=\"changed\""), written.find("a8=\"8\""));
  EXPECT_LT(written.find("a7=\"again\""), written.find("fresh=\"3\""));
}

TEST(XmlWriter, ExactLayout) {
  TXmlNode e("e");
  e.AddText(TStr("a<b"), 3);
  e.AddAttribute(TStr("k"), TStr("x&y"), true);
  EXPECT_STREQ(e.ToString().c_str(), "<e\n    k=\"x&amp;y\">\na&lt;b\n</e>\n");

  TXmlNode root("root");
  root.AddAttribute(TStr("bare"), TStr("1"), false);
  TXmlNode* child = root.AddChild(TStr("child"));
  child->SetAttribute("q", "it's");
  child->AddChild(TStr("leaf"))->AddText(TStr("tab\there \xC3\xA9"), 11);
  root.AddChild(TStr("empty"));
  EXPECT_STREQ(root.ToString().c_str(),
               "<root\n"
               "    bare=1>\n"
               "    <child\n"
               "        q=\"it&apos;s\">\n"
               "        <leaf>\n"
               "        tab&#9;here \xC3\xA9\n"
               "        </leaf>\n"
               "    </child>\n"
               "    <empty>\n"
               "    </empty>\n"
               "</root>\n");
}

TEST(XmlWriter, WriteThenReadGivesTheSameTree) {
  TXmlNode root("data");
  root.SetAttribute("title", "Caf\xC3\xA9 \"Lorvane\" & <sons>");
  root.SetAttribute("lines", "one\ntwo\r\nthree\ttabbed");
  TXmlNode* item = root.AddChild(TStr("item"));
  item->SetAttributeInt("id", 7);
  item->AddText(TStr("text with 'quotes' \"and\" = signs > and <tags>"), 44);
  root.AddChild(TStr("item"))->AddChild(TStr("deep"))->AddText(TStr("\xE2\x82\xAC 5"), 5);
  TXmlNode doc;
  std::string written = root.ToString().c_str();
  doc.LoadString(written.c_str());
  ASSERT_EQ(doc.GetChildCount(), 1);
  EXPECT_EQ(Shape(doc.GetChild("data")), Shape(&root));
  EXPECT_STREQ(doc.GetChild("data")->GetAttribute("lines").c_str(), "one\ntwo\r\nthree\ttabbed");
}

TEST(XmlReader, DerivedNodesReceiveTheDocumentAsEvents) {
  struct Recorder : TXmlNode {
    std::vector<std::string>* log;
    explicit Recorder(std::vector<std::string>* l) : log(l) {}
    TXmlNode* AddChild(TStr name) override {
      log->push_back(std::string("+") + name.c_str());
      return TXmlNode::AddChild(name);
    }
    void EndElement(TStr name) override { log->push_back(std::string("-") + name.c_str()); }
  };
  std::vector<std::string> log;
  Recorder doc(&log);
  doc.LoadString("<a><b/>text<c></c></a>");
  // Only the events of the node itself: children are plain nodes.
  EXPECT_EQ(log, (std::vector<std::string>{"+a"}));
}

TEST(XmlReader, DeepNestingStopsCleanly) {
  for (int depth : {kMaxXmlDepth, 20000}) {
    std::string xml;
    for (int i = 0; i < depth; ++i) xml += "<n>";
    xml += "core";
    for (int i = 0; i < depth; ++i) xml += "</n>";
    TXmlNode doc;
    doc.LoadString(xml.c_str());
    EXPECT_EQ(doc.HadParseError(), depth > kMaxXmlDepth) << depth;
    int levels = 0;
    TXmlNode* node = &doc;
    while (TXmlNode* next = node->GetChild("n")) {
      node = next;
      ++levels;
    }
    EXPECT_EQ(levels, kMaxXmlDepth) << depth;
    EXPECT_STREQ(node->GetText().c_str(), depth > kMaxXmlDepth ? "" : "core") << depth;
  }
}

TEST(Zxml, ContainersDecodeOrFailWithAReason) {
  std::string text = "<a>hello</a>";
  std::string good = Zxml(text);
  auto withSizes = [&](uint32_t packed, uint32_t plain) {
    std::string c = good;
    for (int i = 0; i < 4; ++i) {
      c[4 + i] = (char)(packed >> (8 * i));
      c[8 + i] = (char)(plain >> (8 * i));
    }
    return c;
  };
  uint32_t packed = (uint32_t)good.size() - 12;
  std::string flipped = good;
  flipped[14] = (char)(flipped[14] ^ 0x55);
  const struct {
    const char* what;
    std::string bytes;
    bool ok;
    std::string plain;
  } cases[] = {
      {"good", good, true, text},
      {"stated text larger than produced", withSizes(packed, 1000), true, text},
      {"stated text smaller than produced", withSizes(packed, 5), false, ""},
      {"compressed size past the end", withSizes(packed + 1, 12), false, ""},
      {"huge text size", withSizes(packed, 0xFFFFFFF0u), false, ""},
      {"stream cut short", good.substr(0, good.size() - 4), false, ""},
      {"stream damaged", flipped, false, ""},
      {"header cut short", good.substr(0, 9), false, ""},
      {"not a container", "<a/>", false, ""},
  };
  for (const auto& c : cases) {
    std::vector<char> out;
    const char* why = nullptr;
    bool ok = ZxmlDecode(c.bytes.data(), c.bytes.size(), &out, &why);
    EXPECT_EQ(ok, c.ok) << c.what;
    EXPECT_EQ(std::string(out.begin(), out.end()), c.plain) << c.what;
    if (!ok) {
      EXPECT_NE(why, nullptr) << c.what;
    }
  }
}

class XmlFileTest : public FileLayerTest {};

TEST_F(XmlFileTest, LoadsPlainAndCompressedFilesFromDiskAndPacks) {
  std::string xml = "<settings>\n  <width>800</width>\n</settings>\n";
  Put("assets/plain.xml", xml);
  Put("assets/packed.xml", Zxml(xml));
  Put("assets/p.ksp", BuildPack({{"inpack.xml", xml}, {"inpack.zxml", Zxml(xml)}}));
  ASSERT_TRUE(MountPack(TStr("::assets/p.ksp"), GetFileMap()));
  GetFileMap()[TStr("plain.xml")] = TStr("assets/plain.xml");
  GetFileMap()[TStr("packed.xml")] = TStr("assets/packed.xml");
  for (const char* path : {"plain.xml", "packed.xml", "inpack.xml", "inpack.zxml"}) {
    TXmlNode doc;
    doc.LoadFile(path);
    EXPECT_EQ(Shape(&doc), "{settings{width(800)}}") << path;
    EXPECT_FALSE(doc.HadParseError()) << path;
    // LoadString takes the same bytes from memory.
    TXmlNode fromMemory;
    std::string bytes = ReadAll(path);
    fromMemory.LoadString(bytes.data(), (int)bytes.size());
    EXPECT_EQ(Shape(&fromMemory), "{settings{width(800)}}") << path;
  }
  TXmlNode missing;
  missing.LoadFile("nowhere.xml");
  EXPECT_FALSE(missing.HasChildren());
}

TEST_F(XmlFileTest, DamagedContainerFailsWithALogLine) {
  std::string bad = Zxml("<a>hello</a>");
  bad[bad.size() - 6] = (char)(bad[bad.size() - 6] ^ 0x55);
  Put("assets/bad.xml", bad);
  GetFileMap()[TStr("bad.xml")] = TStr("assets/bad.xml");
  TXmlNode doc;
  doc.LoadFile("bad.xml");
  EXPECT_FALSE(doc.HasChildren());
  EXPECT_TRUE(doc.HadParseError());
  EXPECT_NE(LogText().find("TXmlNode: damaged ZXML container"), std::string::npos);
}

// Without a length the text ends at its NUL: a container's header never widens what is read.
TEST_F(XmlFileTest, ContainerInMemoryIsBoundedByItsBuffer) {
  std::string good = Zxml("<a>hello</a>");
  std::string lying = good;
  lying[5] = (char)0x7F;  // claims 32 KiB more compressed bytes than there are
  for (bool honest : {true, false}) {
    const std::string& bytes = honest ? good : lying;
    std::vector<char> exact(bytes.begin(), bytes.end());
    TXmlNode unsized;
    unsized.LoadString(exact.data());
    EXPECT_FALSE(unsized.HasChildren());
    EXPECT_TRUE(unsized.HadParseError());
    TXmlNode sized;
    sized.LoadString(exact.data(), (int)exact.size());
    EXPECT_EQ(Shape(&sized), honest ? "{a(hello)}" : "");
  }
  EXPECT_NE(LogText().find("compressed size passes the end of the data"), std::string::npos);
}

TEST_F(XmlFileTest, FilesReadLikeStringsAcrossBlockEdges) {
  // Tokens that put bytes back (br/ before ">", a name before "=") land on every offset
  // around the reader's block edges.
  for (int pad = 0; pad < 12; ++pad) {
    std::string xml = "<root>" + std::string((size_t)pad, ' ');
    for (int i = 0; i < 2500; ++i) xml += "<i a=" + std::to_string(i) + "/>t<br/>";
    xml += "</root>";
    Put("assets/edge.xml", xml);
    TXmlNode fromFile, fromString;
    fromFile.LoadFile("::assets/edge.xml");
    fromString.LoadString(xml.c_str());
    ASSERT_EQ(fromFile.GetChild("root")->GetChildCount(), 5000) << pad;
    EXPECT_EQ(Shape(&fromFile), Shape(&fromString)) << pad;
  }
}
