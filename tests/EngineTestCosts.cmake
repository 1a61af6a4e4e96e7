# Read by ctest after the discovered engine tests: the ones that take
# longest under ThreadSanitizer (their seconds there) start first, so that a
# parallel run on a fresh build does not end on one of them alone. A test
# with a parameter is named as gtest_discover_tests names it: its case, two
# spaces and "# GetParam() = " with the last part of the case's name.
set(velmo_engine_test_costs
  LoadRaw.TruncatedAndDamagedFilesFailCleanly 122
  AutoChromatic.CommandFindsAKnownRadialShift 99
  LoadRaw.LayoutFrameAndExrStateDoNotCarryOver 86
  FrameData.AnnouncedFramesAreCheckedAgainstTheFile 76
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S7000Plain 56
  BatchConvertTest.OverridesNeverReachTheStoredRecords 55
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S200EXRMode3Compressed 53
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S5600DoubleWidth 49
  LoadRaw.MissingOrShortSecondFrameIsSaidNamingTheFile 48
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S3ProDerivedSecond 48
  RafContainer.ReadsPlainAndCompressedFilesOfSeveralModels 43
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S20ProCompressed 38
  Harness.PreviewOntoAFullDiskFailsAndLeavesNoFile 34
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S2ProPlain 31
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/F700Plain 29
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S200EXRMode2Compressed 28
  Document.ManyDocumentsStartAndStopTheirWorkers 28
  EveryLayout/Placement.PlacesEveryValue/S5ProStoredSecondCompressed 27
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/SampleLinearSR 25
  AutoChromatic.TrialScoresTheBorderWithoutTouchingTheLensRecord 25
  SelectedLayouts/PlacementThroughOpen.MeasuredSamplesSurviveTheLoad/S5ProDerivedSecondCompressed 23
  Models/FlatField.StaysFlatLessTheBlackLevel/S5ProDerivedSecond 23
  LoadRaw.BrokenSizesFailWithAMessageAndKeepThePicture 23
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S100FSCompressed 23
  EveryLayout/Placement.PlacesEveryValue/S5ProDerivedSecondCompressed 22
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/Sample 22
  SelectedLayouts/PlacementThroughOpen.MeasuredSamplesSurviveTheLoad/S5ProStoredSecondPlain 21
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S5500Plain 21
  SelectedLayouts/PlacementThroughOpen.MeasuredSamplesSurviveTheLoad/S5ProDerivedSecondPlain 20
  EveryLayout/Placement.PlacesEveryValue/S3ProTwoFrames2001 20
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S20ProPlain 20
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/S200EXRMode2Plain 20
  EveryLayout/Placement.PlacesEveryValue/S3ProOneFrame2203Compressed 19
  EveryLayout/Golden.OutputsMatchTheRecordedChecksums/BayDump 19
  EveryLayout/Placement.PlacesEveryValue/S5ProStoredSecondPlain 18
  EveryLayout/Placement.PlacesEveryValue/F700CompressedFullSize 17
  DevelopRegion.SameBytesOnOneThreadAndAllCores 17
  DevelopFull.CropIsTheSameRectangleOfTheWholeImage 17
  WorkerLifetime.DestroyingTheDocumentDuringABuild 16
  WorkerBitmap.ThreeTwoPictureKeepsItsFrame 16)
while(velmo_engine_test_costs)
  list(POP_FRONT velmo_engine_test_costs name cost)
  if(name MATCHES "^[^/]+/[^/]+/([^/]+)$")
    set(name "${name}  # GetParam() = ${CMAKE_MATCH_1}")
  endif()
  set_tests_properties("${name}" PROPERTIES COST ${cost})
endwhile()
