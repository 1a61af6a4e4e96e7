# Read by ctest after the discovered engine tests: the ones that take
# longest under ThreadSanitizer (their seconds) start first, so that a
# parallel run on a fresh build does not end on one of them alone.
set(velmo_engine_test_costs
  LoadRaw.TruncatedAndDamagedFilesFailCleanly 115
  AutoChromatic.CommandFindsAKnownRadialShift 100
  LoadRaw.LayoutFrameAndExrStateDoNotCarryOver 80
  FrameData.AnnouncedFramesAreCheckedAgainstTheFile 65
  BatchConvertTest.OverridesNeverReachTheStoredRecords 52
  LoadRaw.MissingOrShortSecondFrameIsSaidNamingTheFile 46
  RafContainer.ReadsPlainAndCompressedFilesOfSeveralModels 40
  AutoChromatic.TrialScoresTheBorderWithoutTouchingTheLensRecord 25
  Document.ManyDocumentsStartAndStopTheirWorkers 25
  Harness.PreviewOntoAFullDiskFailsAndLeavesNoFile 24
  LoadRaw.BrokenSizesFailWithAMessageAndKeepThePicture 22)
while(velmo_engine_test_costs)
  list(POP_FRONT velmo_engine_test_costs name cost)
  set_tests_properties(${name} PROPERTIES COST ${cost})
endwhile()
