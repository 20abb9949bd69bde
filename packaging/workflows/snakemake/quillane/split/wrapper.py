"""Snakemake wrapper: splits one two-channel scanner TIFF into its Red and Green channel files
with quillane-split, and keeps the split's JSON report.

The channel files are written into the folder of output "red" (which must be the folder of
output "green" too), under the names quillane-split gives them: Red<name> and Green<name>, with
_FlippedLLtoUR or _FlippedULtoLR before the extension for --flip main or --flip opposite.
"""

import os

from snakemake.shell import shell

red = snakemake.output.red
green = snakemake.output.green
folder = os.path.dirname(red) or "."
if (os.path.dirname(green) or ".") != folder:
    raise ValueError("quillane/split: outputs red and green must be in one folder, as quillane-split writes them")
os.makedirs(folder, exist_ok=True)

extra = snakemake.params.get("extra", "")
log = snakemake.log_fmt_shell(stdout=False, stderr=True)

# One scan per job: the engine spreads the jobs, quillane-split splits the one scan it is given.
# Its JSON line names the files it wrote; a refused or failed scan ends the job with status 1.
shell("quillane-split --json --quiet --out {folder:q} {extra} -- {snakemake.input.scan:q} > {snakemake.output.report:q} {log}")
