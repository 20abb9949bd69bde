#!/usr/bin/env cwl-runner
# Splits two-channel microarray scanner TIFFs into one single-channel 16-bit TIFF per dye
# channel with quillane-split, and keeps the JSON report. Scatter it over "scans" (one scan
# each) to spread the scans over a cluster.
cwlVersion: v1.2
class: CommandLineTool
label: quillane-split
doc: |
  Splits each scan into Red<name> and Green<name> (with --flip, _FlippedLLtoUR or _FlippedULtoLR
  before the extension). A refused or failed scan ends the run with status 1 and its message on
  standard error; every scan's result is a line of the report.
baseCommand: [quillane-split, --json, --quiet]
arguments:
  - prefix: --out
    valueFrom: $(runtime.outdir)
inputs:
  flip:
    type:
      - "null"
      - type: enum
        symbols: [main, opposite]
    inputBinding:
      prefix: --flip
      position: 1
  keep_going:
    type: boolean
    default: false
    doc: try every scan even after a failure
    inputBinding:
      prefix: --keep-going
      position: 1
  scans:
    type: File[]
    inputBinding:
      position: 2
      prefix: --
outputs:
  red:
    type: File[]
    outputBinding:
      glob: Red*
  green:
    type: File[]
    outputBinding:
      glob: Green*
  report:
    type: stdout
stdout: report.jsonl
