#include "results/type_options.h"

#include <gtest/gtest.h>

#include "results/file_type_lists.h"
#include "results/type_classification.h"

namespace qm {
namespace {

std::wstring joinedUserdata(const TypeGroup& group) {
    std::wstring joined;
    for (const TypeOption& option : group.options) joined += option.userdata + L",";
    return joined;
}

TEST(TypeGroups, SixGroupsWithNamesAndTitlesInPageOrder) {
    const auto& groups = TypeGroups();
    ASSERT_EQ(groups.size(), 6u);
    const wchar_t* names[] = {L"FileTypePhoto", L"FileTypeAudio", L"FileTypeVideo",
                              L"FileTypeOffice", L"FileTypeZip", L"FileTypeOther"};
    const wchar_t* titles[] = {L"Photo File Type", L"Audio File Type", L"Video File Type",
                               L"Office File Type", L"Archive File Type", L"Other File Type"};
    for (size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].name, names[i]);
        EXPECT_EQ(groups[i].title, titles[i]);
    }
    EXPECT_EQ(groups[0].options[2].text, L"JPG/JPEG (.jpg .jpeg)");
    EXPECT_EQ(groups[5].options.size(), 1u);
    EXPECT_EQ(groups[5].options[0].text, L"Other Files (.*)");
    EXPECT_EQ(groups[5].options[0].userdata, L"other");
}

TEST(TypeGroups, OptionsCarryTheirExtensionsInPageOrder) {
    const auto& groups = TypeGroups();
    EXPECT_EQ(joinedUserdata(groups[0]),
              L"bmp,gif,jpg|jpeg,png,psd,tif|tiff,pcx|scr,ico,nef,nrw,crw,cr2,sr2,arw,srf,djvu,pgm,k25,kdc,dcr,"
              L"raf,iff,pbm,mef,jp2,mos,x3f,orf,erf,indd,pef,psp,mrw,dng,raw,pct,tga,thm,heic|heif,avif,webp,cr3,rw2,");
    EXPECT_EQ(joinedUserdata(groups[1]),
              L"mp3,wav,aiff,rps,mid|midi,m4a|m4p,au,ogg,wma,rm,ra,acd,amr,at3,caf,dss,m4r,nra,snd,flac,opus,aac,");
    EXPECT_EQ(joinedUserdata(groups[2]),
              L"rmvb,rm,mpeg,mov,avi,wmv,asf,mp4,m4v,3gp,dv,3g2,m4b,mkv,mts,divx,ogm,moi,vob,ajp,f4v,mqv,svi,"
              L"vid,tod,hdmov,mod,mxf,lrv,webm,ogv,");
    EXPECT_EQ(joinedUserdata(groups[3]),
              L"doc|docx,xls|xlsx,ppt|pptx,txt,pdf,xml,html|htm,chm,ods,ole,odt,pst,dbx,wps,dps,et,one,mpp,mdb,"
              L"pst,accdb,odp,odg,epub,");
    EXPECT_EQ(joinedUserdata(groups[4]), L"zip,rar,tar,gzip,7z,cab,arj,lzh,ace,gz,uue,bz2,jar,iso,");
}

// Each option selects what its own text names (k25, mrw, dng and mqv once selected cr2 or mvq).
TEST(TypeGroups, EveryOptionSelectsWhatItsTextNames) {
    for (const TypeGroup& group : TypeGroups()) {
        for (const TypeOption& option : group.options) {
            if (option.userdata == L"other") continue;  // "(.*)" names it
            for (const std::wstring& extension : SplitUserdata(option.userdata)) {
                const bool named = option.text.find(L"." + extension + L" ") != std::wstring::npos ||
                                   option.text.find(L"." + extension + L")") != std::wstring::npos;
                EXPECT_TRUE(named) << "option \"" << std::string(option.text.begin(), option.text.end())
                                   << "\" selects " << std::string(extension.begin(), extension.end());
            }
        }
    }
}

// A ticked extension must be one the result store and the group folders know as that group.
TEST(TypeGroups, EveryOptionExtensionIsAnItemOfItsGroupList) {
    const wchar_t* lists[] = {kPhotoList, kAudioList, kVideoList, kDocumentList, kArchiveList};
    const auto& groups = TypeGroups();
    for (size_t i = 0; i < 5; ++i) {
        const std::wstring list = std::wstring(L"|") + lists[i] + L"|";
        for (const TypeOption& option : groups[i].options) {
            for (const std::wstring& extension : SplitUserdata(option.userdata)) {
                EXPECT_NE(list.find(L"|*." + extension + L"|"), std::wstring::npos)
                    << std::string(extension.begin(), extension.end());
            }
        }
    }
}

TEST(SplitUserdata, DropsEmptyParts) {
    EXPECT_EQ(SplitUserdata(L"mid|midi"), (std::vector<std::wstring>{L"mid", L"midi"}));
    EXPECT_EQ(SplitUserdata(L"|a||b|"), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(SplitUserdata(L"").empty());
}

TEST(SelectedExtensions, TickAddsAllPartsUntickRemovesThem) {
    int jpegOption = 0, pngOption = 0;
    SelectedExtensions selection;
    selection.tick(&pngOption, L"png");
    selection.tick(&jpegOption, L"jpg|jpeg");
    ASSERT_EQ(selection.extensions().size(), 3u);
    EXPECT_EQ(selection.extensions().at(L"jpeg"), &jpegOption);
    EXPECT_EQ(BuildTypePattern(selection), L"*.jpeg|*.jpg|*.png");  // key order

    selection.untick(&jpegOption);
    EXPECT_EQ(BuildTypePattern(selection), L"*.png");
    selection.untick(&jpegOption);  // not ticked: nothing changes
    EXPECT_EQ(selection.extensions().size(), 1u);
    selection.untick(&pngOption);
    EXPECT_TRUE(selection.empty());
}

TEST(SelectedExtensions, SharedExtensionStaysWhileAnyCarrierIsTicked) {
    int audioRm = 0, videoRm = 0, videoRmvb = 0;
    SelectedExtensions selection;
    selection.tick(&audioRm, L"rm");
    selection.tick(&videoRm, L"rm");
    selection.tick(&videoRmvb, L"rmvb");
    selection.untick(&videoRm);
    ASSERT_TRUE(selection.contains(L"rm"));
    EXPECT_EQ(selection.extensions().at(L"rm"), &audioRm);
    selection.untick(&audioRm);
    EXPECT_FALSE(selection.contains(L"rm"));
    EXPECT_EQ(BuildTypePattern(selection), L"*.rmvb");
}

TEST(SelectedExtensions, WholeGroupsAndOther) {
    SelectedExtensions selection;
    const auto& groups = TypeGroups();
    TickGroup(selection, groups[3]);  // office lists pst twice
    EXPECT_EQ(selection.extensions().size(), 27u);
    selection.untick(&groups[3].options[11]);  // the first pst
    EXPECT_TRUE(selection.contains(L"pst"));

    selection.clear();
    TickGroup(selection, groups[5]);
    EXPECT_EQ(BuildTypePattern(selection), L"*.other");
    selection.tick(&groups[0].options[0], L"BMP");  // extensions are kept lower-case
    EXPECT_EQ(BuildTypePattern(selection), L"*.bmp|*.other");
}

}  // namespace
}  // namespace qm
